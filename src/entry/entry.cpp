#include "entry/entry.h"

#include "controller/UnitFolivex.h"
#include "platform/com.h"

namespace fv::entry {

void LibraryAttach() {
  controller::Folivex = new controller::TFolivex();
  platform::ComInitialize();
}

void LibraryDetach() {
  delete controller::Folivex;
  controller::Folivex = nullptr;
  platform::ComUninitialize();
}

}  // namespace fv::entry
