#include "platform/win32/win32_api.h"

#include "platform/message_pump.h"

namespace fv::platform {
namespace {

// A window that keeps posting to itself must not hold the conversion here for ever; the
// messages left wait for the next pass.
constexpr int kMostMessagesPerPass = 10000;

}  // namespace

void ProcessPendingMessages() {
  MSG message;
  for (int handled = 0;
       handled < kMostMessagesPerPass && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
       ++handled) {
    if (message.message == WM_QUIT) {
      // The quit belongs to the host's own message loop: leave it there.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace fv::platform
