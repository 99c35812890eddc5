// The Word client: the object model of the automation layer over Word's automation
// objects, each member called late bound by its name (see DispatchCall.h).
#pragma once

#include "platform/win32/win32_api.h"

#include "automation/WordObjects.h"

namespace fv::automation::word {

// The application object behind `application`, which keeps a reference of its own. The
// caller owns the one reference of the result.
Application* WrapApplication(IDispatch* application);

}  // namespace fv::automation::word
