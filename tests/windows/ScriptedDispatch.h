// The scripted server as Windows automation objects: each object of the scripted model
// behind an IDispatch whose members are found by name and called through Invoke, as a
// client reaches Word's. Arguments arrive as OLE variants and reach the model as the
// automation layer's variants of the same type, so the model's call log shows exactly
// what the client passed.
#pragma once

#include "platform/win32/win32_api.h"

#include "automation/WordObjects.h"

namespace fv::scripted {

// A new IDispatch over `application` (one reference, the caller's); null for null.
IDispatch* NewApplicationDispatch(automation::Application* application);

}  // namespace fv::scripted
