// Host windows and messages.
#pragma once

#include <cstdint>

namespace fv::platform {

// A window handle as the host gave it, stored unchanged and never validated.
using WindowHandle = void*;

// Sends `message` to `window` and waits until its procedure has returned; the answer is
// ignored. A handle that names no window makes the send fail silently.
void SendWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

}  // namespace fv::platform
