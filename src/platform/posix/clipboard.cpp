#include "platform/clipboard.h"

#include "folivex_window.h"

namespace fv::platform {

bool ClearClipboard() {
  if (!OpenClipboard(nullptr)) return false;
  const bool emptied = EmptyClipboard() != 0;
  CloseClipboard();
  return emptied;
}

}  // namespace fv::platform
