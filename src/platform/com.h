// The component runtime: apartments and finding an automation server.
#pragma once

#include <string>

#include "automation/WordObjects.h"

namespace fv::platform {

// Enters (and leaves) the calling thread's single-threaded apartment; the calls nest.
void ComInitialize();
void ComUninitialize();

// The instance of the server registered under `progId` that is running and registered as
// the active one; MK_E_UNAVAILABLE when none is.
automation::HRESULT GetActiveObject(const std::string& progId, automation::Application** app);
// A new instance of the server registered under `progId`.
automation::HRESULT CreateInstance(const std::string& progId, automation::Application** app);

}  // namespace fv::platform
