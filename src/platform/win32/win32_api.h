// The Win32 and COM headers for the files of this folder. Include it before any header of
// the project: it takes back the few macros of <windows.h> whose names the project uses
// for constants of its own (the HRESULTs of the automation layer, the registry's types
// and access rights) or for members (DrawText), so that both can be seen in one unit.
// Code here names those constants through their namespace (automation::E_FAIL).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#undef DrawText
#undef GetObject

#undef S_OK
#undef S_FALSE
#undef E_NOTIMPL
#undef E_NOINTERFACE
#undef E_POINTER
#undef E_ABORT
#undef E_FAIL
#undef E_UNEXPECTED
#undef E_ACCESSDENIED
#undef E_OUTOFMEMORY
#undef E_INVALIDARG
#undef DISP_E_MEMBERNOTFOUND
#undef DISP_E_PARAMNOTFOUND
#undef DISP_E_TYPEMISMATCH
#undef DISP_E_EXCEPTION
#undef DISP_E_BADINDEX
#undef MK_E_UNAVAILABLE
#undef REGDB_E_CLASSNOTREG
#undef CO_E_SERVER_EXEC_FAILURE
#undef RPC_E_DISCONNECTED
#undef RPC_E_SERVERDIED
#undef RPC_E_CALL_REJECTED
#undef RPC_E_TIMEOUT
#undef RPC_S_SERVER_UNAVAILABLE

#undef REG_SZ
#undef REG_EXPAND_SZ
#undef REG_BINARY
#undef REG_DWORD
#undef KEY_QUERY_VALUE
#undef KEY_ENUMERATE_SUB_KEYS
#undef STANDARD_RIGHTS_READ
#undef KEY_ALL_ACCESS
