// Breaking into a debugger.
#pragma once

namespace fv::platform {

// Stops in the attached debugger; does nothing when no debugger is attached.
void BreakIntoDebugger();

}  // namespace fv::platform
