// The Windows side of the test host (tests/support/TestHost.h): the library loaded with
// LoadLibraryA and its exports found with GetProcAddress, a real top-level window that
// records its messages, temporary folders, the DLL's export table read from its image,
// and message boxes answered through a computer-based-training hook, which sees the
// system's box when it is activated and ends it as a press of the button would.
#include "platform/win32/win32_api.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "TestHost.h"

namespace fv::testing {
namespace {

constexpr char kHostClass[] = "FolivexTestHost";

std::string LastError(const std::string& what) {
  return what + " (error " + std::to_string(GetLastError()) + ")";
}

// The folder of the running test program, where the build puts every DLL.
std::string ProgramFolder() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of("\\/"));
}

std::string Resolved(const std::string& libraryPath) {
  // A bare name is the DLL beside the program, as the build lays them out.
  if (libraryPath.find_first_of("\\/") == std::string::npos) {
    return ProgramFolder() + "\\" + libraryPath;
  }
  return libraryPath;
}

}  // namespace

const char kSeparator = '\\';

TestHost::TestHost(std::string libraryPath) : libraryPath_(Resolved(libraryPath)) {
  // A host is a COM client of its own: the library's apartment nests inside the host's.
  CoInitialize(nullptr);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = &TestHost::Procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kHostClass;
  RegisterClassA(&windowClass);  // fails harmlessly once registered by an earlier host
  window_ = CreateWindowExA(0, kHostClass, "Folivex test host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                            nullptr, nullptr, GetModuleHandleA(nullptr), this);
  if (!window_) throw std::runtime_error(LastError("cannot create the host window"));
  Load();
}

TestHost::~TestHost() {
  Unload();
  DestroyWindow(window_);
  CoUninitialize();
}

template <class F>
static void Resolve(HMODULE module, const char* name, F& fn) {
  fn = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  if (!fn) throw std::runtime_error(std::string("missing export ") + name);
}

void TestHost::Load() {
  if (handle_) return;
  HMODULE module = LoadLibraryA(libraryPath_.c_str());
  if (!module) throw std::runtime_error(LastError("cannot load " + libraryPath_));
  handle_ = module;
  Resolve(module, "FV_Initialization", Initialization);
  Resolve(module, "FV_Set_SavePath", SetSavePath);
  Resolve(module, "FV_Set_FirstChar", SetFirstChar);
  Resolve(module, "FV_Set_StartPageNumber", SetStartPageNumber);
  Resolve(module, "FV_Set_Progress_Style", SetProgressStyle);
  Resolve(module, "FV_LoadFile", LoadFile);
}

void TestHost::Unload() {
  if (!handle_) return;
  FreeLibrary(static_cast<HMODULE>(handle_));
  handle_ = nullptr;
}

LRESULT CALLBACK TestHost::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* host = reinterpret_cast<TestHost*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (host && (message == WM_CONVERT_NOTIFY || message == WM_CONVERT_ERROR)) {
    host->Record(message, wParam, lParam);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

TempFolder::TempFolder() {
  char base[MAX_PATH];
  const DWORD length = GetTempPathA(MAX_PATH, base);
  if (length == 0 || length >= MAX_PATH) throw std::runtime_error("no temporary folder");
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = std::string(base) + "folivex-test-" +
                                  std::to_string(GetCurrentProcessId()) + "-" +
                                  std::to_string(GetTickCount()) + "-" + std::to_string(attempt);
    if (CreateDirectoryA(candidate.c_str(), nullptr)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error(LastError("cannot make a temporary folder"));
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string UncreatableFolder() {
  // A drive letter that names no drive.
  for (char drive = 'Q'; drive <= 'Z'; ++drive) {
    const std::string root = std::string(1, drive) + ":\\";
    if (GetDriveTypeA(root.c_str()) == DRIVE_NO_ROOT_DIR) return root + "folivex\\x";
  }
  throw std::runtime_error("every drive letter from Q to Z is in use");
}

std::vector<std::string> ExportedNames(const std::string& libraryPath) {
  // The names in the image's export directory, read from the mapped image without
  // running its entry point.
  HMODULE module =
      LoadLibraryExA(Resolved(libraryPath).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  if (!module) throw std::runtime_error(LastError("cannot map " + libraryPath));
  const auto* base = reinterpret_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  std::vector<std::string> names;
  if (directory.VirtualAddress != 0) {
    const auto* exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
    const auto* nameTable = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
      names.emplace_back(reinterpret_cast<const char*>(base + nameTable[i]));
    }
    // Exports reached by ordinal only would have no name: count them as unnamed.
    for (DWORD i = exports->NumberOfNames; i < exports->NumberOfFunctions; ++i) {
      names.emplace_back("#ordinal");
    }
  }
  FreeLibrary(module);
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

thread_local MessageBoxAnswerer* t_answerer = nullptr;
thread_local HHOOK t_hook = nullptr;

std::string WindowText(HWND window) {
  char text[4096];
  const int length = GetWindowTextA(window, text, sizeof text);
  return std::string(text, static_cast<size_t>(std::max(length, 0)));
}

// The box's text: its longest static text (Windows numbers that control 0xFFFF, Wine
// 100; the icon is a static control without text).
std::string BoxText(HWND box) {
  std::string text;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    const std::string candidate = WindowText(child);
    if (lstrcmpiA(className, "Static") == 0 && candidate.size() > text.size()) text = candidate;
  }
  return text;
}

LRESULT CALLBACK AnswerBox(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && t_answerer) {
    HWND box = reinterpret_cast<HWND>(wParam);
    char className[32] = {};
    GetClassNameA(box, className, sizeof className);
    // A message box is a dialog with the buttons it was asked for.
    if (std::string(className) == "#32770" && GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO)) {
      const int answer = t_answerer->Answer(WindowText(box).c_str(), BoxText(box).c_str());
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
    }
  }
  return CallNextHookEx(t_hook, code, wParam, lParam);
}

}  // namespace

MessageBoxAnswerer::MessageBoxAnswerer(int answer) : answer_(answer) {
  t_answerer = this;
  if (!t_hook) t_hook = SetWindowsHookExA(WH_CBT, &AnswerBox, nullptr, GetCurrentThreadId());
  if (!t_hook) throw std::runtime_error(LastError("cannot hook the message boxes"));
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
  t_answerer = nullptr;
  if (t_hook) UnhookWindowsHookEx(t_hook);
  t_hook = nullptr;
}

}  // namespace fv::testing
