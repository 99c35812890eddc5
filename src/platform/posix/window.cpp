#include "platform/window.h"

#include "folivex_window.h"

namespace fv::platform {

void SendWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  SendMessageA(static_cast<HWND>(window), message, wParam, lParam);
}

}  // namespace fv::platform
