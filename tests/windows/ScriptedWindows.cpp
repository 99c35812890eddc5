// The scripted server on Windows: an in-process COM server registered as
// Word.Application (its class factory makes a new instance), the running instance
// announced in the running object table, and the copies on the system clipboard.
#include "platform/win32/win32_api.h"

#include "ScriptedDispatch.h"
#include "ScriptedPlatform.h"
#include "ScriptedServer.h"

extern "C" SCRIPTED_API fv::automation::HRESULT FolivexCreateInstance(
    fv::automation::Application** app);

namespace fv::scripted {
namespace {

// Word.Application's class, the one registration.cpp registers.
const CLSID kWordApplication = {
    0x000209FF, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

constexpr char kClipboardFormatName[] = "Folivex Scripted Copy";
// Another program may hold the clipboard open for a moment: try a few times.
constexpr int kClipboardAttempts = 20;

UINT ClipboardFormat() {
  static const UINT format = RegisterClipboardFormatA(kClipboardFormatName);
  return format;
}

// The clipboard's owner: SetClipboardData needs a window that emptied it.
HWND ClipboardOwner() {
  static HWND owner = CreateWindowExA(0, "STATIC", "Folivex scripted server", 0, 0, 0, 0, 0,
                                      HWND_MESSAGE, nullptr, nullptr, nullptr);
  return owner;
}

bool OpenTheClipboard(HWND owner) {
  for (int attempt = 0; attempt < kClipboardAttempts; ++attempt) {
    if (OpenClipboard(owner)) return true;
    Sleep(10);
  }
  return false;
}

DWORD g_runningCookie = 0;

class ClassFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return 0;
    }
    *out = nullptr;
    return static_cast<HRESULT>(0x80004002);
  }
  // One factory for the life of the DLL.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    automation::Application* app = nullptr;
    HRESULT hr = FolivexCreateInstance(&app);  // logged and scripted as Server.CreateInstance
    if (FAILED(hr)) return hr;
    IDispatch* dispatch = NewApplicationDispatch(app);
    app->Release();
    hr = dispatch->QueryInterface(iid, out);
    dispatch->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return 0; }
};

ClassFactory g_factory;

}  // namespace

namespace os {

void PutCopyOnClipboard(const std::string& text) {
  HWND owner = ClipboardOwner();
  if (!OpenTheClipboard(owner)) return;
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  if (memory) {
    char* data = static_cast<char*>(GlobalLock(memory));
    text.copy(data, text.size());
    data[text.size()] = '\0';
    GlobalUnlock(memory);
    // The text's length is its own: a copy may hold NUL characters.
    HGLOBAL length = GlobalAlloc(GMEM_MOVEABLE, sizeof(size_t));
    if (SetClipboardData(ClipboardFormat(), memory) == nullptr) GlobalFree(memory);
    if (length) {
      *static_cast<size_t*>(GlobalLock(length)) = text.size();
      GlobalUnlock(length);
      static const UINT lengthFormat = RegisterClipboardFormatA("Folivex Scripted Copy Length");
      if (SetClipboardData(lengthFormat, length) == nullptr) GlobalFree(length);
    }
  }
  CloseClipboard();
}

std::optional<std::string> CopyOnClipboard() {
  if (!IsClipboardFormatAvailable(ClipboardFormat())) return std::nullopt;
  if (!OpenTheClipboard(ClipboardOwner())) return std::nullopt;
  std::optional<std::string> text;
  HANDLE memory = GetClipboardData(ClipboardFormat());
  static const UINT lengthFormat = RegisterClipboardFormatA("Folivex Scripted Copy Length");
  HANDLE length = GetClipboardData(lengthFormat);
  if (memory && length) {
    const auto* data = static_cast<const char*>(GlobalLock(memory));
    const auto* size = static_cast<const size_t*>(GlobalLock(length));
    if (data && size) text = std::string(data, *size);
    GlobalUnlock(length);
    GlobalUnlock(memory);
  }
  CloseClipboard();
  return text;
}

void ForgetClipboard() {
  if (!OpenTheClipboard(ClipboardOwner())) return;
  EmptyClipboard();
  CloseClipboard();
}

void AnnounceRunningInstance(automation::Application* application) {
  WithdrawRunningInstance();
  IDispatch* dispatch = NewApplicationDispatch(application);
  if (!dispatch) return;
  RegisterActiveObject(dispatch, kWordApplication, ACTIVEOBJECT_STRONG, &g_runningCookie);
  dispatch->Release();  // the table holds its own reference
}

void WithdrawRunningInstance() {
  if (g_runningCookie == 0) return;
  RevokeActiveObject(g_runningCookie, nullptr);
  g_runningCookie = 0;
}

}  // namespace os
}  // namespace fv::scripted

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE
    DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!IsEqualCLSID(clsid, fv::scripted::kWordApplication)) {
    *out = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  return fv::scripted::g_factory.QueryInterface(iid, out);
}

// The test program links the server too: it stays loaded for the life of the process.
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return 1;  // S_FALSE
}
