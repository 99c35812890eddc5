#include "automation/Wrappers.h"

#include "automation/Exceptions.h"
#include "platform/com.h"

namespace fv::automation {

TWordApplication::~TWordApplication() {
  try {
    Disconnect();
  } catch (const Exception&) {
    // Freeing goes on: the refusal has been reported by whoever disconnected before.
  }
}

void TWordApplication::Connect() {
  HRESULT hr = platform::GetActiveObject(kWordApplicationProgId, application_.Out());
  if (Succeeded(hr) && application_) return;
  hr = platform::CreateInstance(kWordApplicationProgId, application_.Out());
  if (Succeeded(hr) && application_) return;
  application_.Reset();
  throw EOleException("Cannot connect to " + std::string(kWordApplicationProgId),
                      Failed(hr) ? hr : E_FAIL, kWordApplicationProgId, "", 0);
}

void TWordApplication::Disconnect() {
  if (!application_) return;
  const HRESULT hr = application_->Quit(Variant::Omitted(), Variant::Omitted(), Variant::Omitted());
  application_.Reset();
  if (Failed(hr)) {
    throw EOleException("The word processor did not quit", hr, kWordApplicationProgId, "", 0);
  }
}

Application* TWordApplication::DefaultInterface() {
  if (!application_) Connect();
  return application_.Get();
}

}  // namespace fv::automation
