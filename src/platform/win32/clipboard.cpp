#include "platform/win32/win32_api.h"

#include "platform/clipboard.h"

namespace fv::platform {

bool ClearClipboard() {
  if (!OpenClipboard(nullptr)) return false;
  const bool emptied = EmptyClipboard() != 0;
  CloseClipboard();
  return emptied;
}

}  // namespace fv::platform
