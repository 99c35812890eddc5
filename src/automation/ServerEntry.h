// What a server shared object exports on POSIX systems, where the registration of its
// programmatic identifier names the shared object (HKEY_CLASSES_ROOT\<ProgID>\CLSID, then
// HKEY_CLASSES_ROOT\CLSID\<clsid>\InprocServer32).
#pragma once

#include "automation/WordObjects.h"

extern "C" {
// The running instance that is registered as the active application; MK_E_UNAVAILABLE when
// there is none.
typedef fv::automation::HRESULT (*FolivexGetActiveObjectFn)(fv::automation::Application** app);
// A new instance of the application.
typedef fv::automation::HRESULT (*FolivexCreateInstanceFn)(fv::automation::Application** app);
}

#define FOLIVEX_SERVER_GET_ACTIVE_OBJECT "FolivexGetActiveObject"
#define FOLIVEX_SERVER_CREATE_INSTANCE "FolivexCreateInstance"
