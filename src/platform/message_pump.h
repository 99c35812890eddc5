// Dispatching the thread's pending messages during a conversion.
#pragma once

namespace fv::platform {

// Delivers every message waiting for the thread's windows (the host's and the progress
// window's) and returns without waiting for more.
void ProcessPendingMessages();

}  // namespace fv::platform
