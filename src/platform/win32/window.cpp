#include "platform/win32/win32_api.h"

#include "platform/window.h"

namespace fv::platform {

void SendWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  // A handle that names no window makes SendMessageA fail without effect.
  SendMessageA(static_cast<HWND>(window), message, wParam, lParam);
}

}  // namespace fv::platform
