// The two entry points through which the library reaches the office server.
#include "automation/ServerEntry.h"
#include "automation/office/OfficeObjects.h"

using fv::automation::Application;
using fv::automation::E_POINTER;
using fv::automation::Failed;
using fv::automation::HRESULT;
using fv::automation::MK_E_UNAVAILABLE;

namespace {

HRESULT Deliver(std::shared_ptr<fv::office::OfficeSession> session, HRESULT hr, Application** app) {
  if (Failed(hr)) return hr;
  return fv::office::NewApplication(std::move(session), app);
}

}  // namespace

extern "C" {

// The running instance: an office already listening on the configured pipe.
__attribute__((visibility("default"))) HRESULT FolivexGetActiveObject(Application** app) {
  if (!app) return E_POINTER;
  *app = nullptr;
  try {
    std::shared_ptr<fv::office::OfficeSession> session;
    const HRESULT hr =
        fv::office::OfficeSession::Attach(fv::office::OfficeSettings::FromEnvironment(), session);
    return Deliver(std::move(session), hr, app);
  } catch (...) {
    // The process's UNO runtime could not be started: there is no office to find.
    return MK_E_UNAVAILABLE;
  }
}

// A new instance: an office started on the configured pipe.
__attribute__((visibility("default"))) HRESULT FolivexCreateInstance(Application** app) {
  if (!app) return E_POINTER;
  *app = nullptr;
  try {
    std::shared_ptr<fv::office::OfficeSession> session;
    const HRESULT hr =
        fv::office::OfficeSession::Start(fv::office::OfficeSettings::FromEnvironment(), session);
    return Deliver(std::move(session), hr, app);
  } catch (...) {
    return fv::automation::CO_E_SERVER_EXEC_FAILURE;
  }
}

}  // extern "C"
