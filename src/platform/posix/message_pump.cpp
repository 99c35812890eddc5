#include "platform/message_pump.h"

#include "folivex_window.h"

namespace fv::platform {

void ProcessPendingMessages() {
  fvw_DispatchPostedMessages();
}

}  // namespace fv::platform
