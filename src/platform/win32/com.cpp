// COM: the loading thread's single-threaded apartment, and Word found by its programmatic
// identifier, either the instance registered as the active one or a new instance.
#include "platform/win32/win32_api.h"

#include "automation/word/WordClient.h"
#include "platform/com.h"
#include "platform/text.h"

namespace fv::platform {
namespace {

using automation::HRESULT;

// How many ComInitialize calls of this thread entered the apartment and so owe a
// CoUninitialize. A thread already in the multi-threaded apartment (RPC_E_CHANGED_MODE)
// entered nothing and must not leave it.
thread_local int t_entered = 0;

HRESULT ClassOf(const std::string& progId, CLSID& clsid) {
  const std::u16string wide = NarrowToWide(progId);
  return CLSIDFromProgID(reinterpret_cast<const wchar_t*>(wide.c_str()), &clsid);
}

// Wraps the object's IDispatch as the application; `unknown` is released.
HRESULT Wrap(IUnknown* unknown, automation::Application** app) {
  IDispatch* dispatch = nullptr;
  const HRESULT hr = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
  unknown->Release();
  if (FAILED(hr)) return hr;
  *app = automation::word::WrapApplication(dispatch);
  dispatch->Release();
  return hr;
}

}  // namespace

void ComInitialize() {
  if (SUCCEEDED(CoInitialize(nullptr))) ++t_entered;
}

void ComUninitialize() {
  if (t_entered == 0) return;
  --t_entered;
  CoUninitialize();
}

HRESULT GetActiveObject(const std::string& progId, automation::Application** app) {
  *app = nullptr;
  CLSID clsid;
  HRESULT hr = ClassOf(progId, clsid);
  if (FAILED(hr)) return hr;
  IUnknown* unknown = nullptr;
  hr = ::GetActiveObject(clsid, nullptr, &unknown);
  if (FAILED(hr) || !unknown) return FAILED(hr) ? hr : automation::MK_E_UNAVAILABLE;
  return Wrap(unknown, app);
}

HRESULT CreateInstance(const std::string& progId, automation::Application** app) {
  *app = nullptr;
  CLSID clsid;
  HRESULT hr = ClassOf(progId, clsid);
  if (FAILED(hr)) return hr;
  IUnknown* unknown = nullptr;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER, IID_IUnknown,
                        reinterpret_cast<void**>(&unknown));
  if (FAILED(hr) || !unknown) return FAILED(hr) ? hr : automation::E_NOINTERFACE;
  return Wrap(unknown, app);
}

}  // namespace fv::platform
