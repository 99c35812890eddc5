#include "platform/win32/win32_api.h"

#include "platform/debugger.h"

namespace fv::platform {

void BreakIntoDebugger() {
  // Without a debugger the breakpoint exception would end the host's process.
  if (IsDebuggerPresent()) DebugBreak();
}

}  // namespace fv::platform
