#include "TestHost.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

#ifndef _WIN32
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace fv::testing {

Message Notify(uint32_t wParam, intptr_t lParam, std::string path) {
  return {WM_CONVERT_NOTIFY, wParam, lParam, std::move(path)};
}

Message Error(uint32_t code) {
  return {WM_CONVERT_ERROR, code, 0, ""};
}

std::string Describe(const std::vector<Message>& messages) {
  std::ostringstream out;
  for (const auto& m : messages) {
    out << (m.message == WM_CONVERT_NOTIFY  ? "NOTIFY "
            : m.message == WM_CONVERT_ERROR ? "ERROR "
                                            : "MSG ")
        << static_cast<int32_t>(m.wParam) << " " << m.lParam;
    if (!m.path.empty()) out << " " << m.path;
    out << "\n";
  }
  return out.str();
}

std::vector<Message> TestHost::Sequence() const {
  std::vector<Message> out = messages_;
  for (auto& m : out) {
    if (m.message == WM_CONVERT_NOTIFY && m.wParam == 0) m.lParam = 0;
  }
  return out;
}

void TestHost::Record(UINT message, WPARAM wParam, LPARAM lParam) {
  Message m{message, static_cast<uint32_t>(wParam), static_cast<intptr_t>(lParam), ""};
  if (message == WM_CONVERT_NOTIFY && wParam == 0 && lParam != 0) {
    m.path = reinterpret_cast<const char*>(lParam);
  }
  messages_.push_back(m);
  if (onMessage) onMessage(*this, m);
}

std::string JoinPath(const std::string& folder, const std::string& relative) {
  std::string path = folder;
  if (!relative.empty()) path += kSeparator;
  for (char c : relative) path += c == '/' ? kSeparator : c;
  return path;
}

int MessageBoxAnswerer::Answer(const char* caption, const char* text) {
  boxes_.push_back({caption ? caption : "", text ? text : ""});
  return answer_;
}

std::string TempFolder::Write(const std::string& name, const std::string& content) const {
  const std::string path = *this / name;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

std::vector<std::string> ListFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// The POSIX side; the Windows side is tests/windows/TestHostWindows.cpp.
#ifndef _WIN32

const char kSeparator = '/';

TestHost::TestHost(std::string libraryPath) : libraryPath_(std::move(libraryPath)) {
  window_ = fvw_CreateWindow(&TestHost::Procedure, this);
  Load();
}

TestHost::~TestHost() {
  Unload();
  fvw_DestroyWindow(window_);
}

template <class F>
static void Resolve(void* handle, const char* name, F& fn) {
  fn = reinterpret_cast<F>(dlsym(handle, name));
  if (!fn) throw std::runtime_error(std::string("missing export ") + name);
}

void TestHost::Load() {
  if (handle_) return;
  handle_ = dlopen(libraryPath_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) throw std::runtime_error(std::string("cannot load the library: ") + dlerror());
  Resolve(handle_, "FV_Initialization", Initialization);
  Resolve(handle_, "FV_Set_SavePath", SetSavePath);
  Resolve(handle_, "FV_Set_FirstChar", SetFirstChar);
  Resolve(handle_, "FV_Set_StartPageNumber", SetStartPageNumber);
  Resolve(handle_, "FV_Set_Progress_Style", SetProgressStyle);
  Resolve(handle_, "FV_LoadFile", LoadFile);
}

void TestHost::Unload() {
  if (!handle_) return;
  dlclose(handle_);
  handle_ = nullptr;
}

LRESULT TestHost::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static_cast<TestHost*>(fvw_GetWindowData(window))->Record(message, wParam, lParam);
  return 0;
}

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "folivex-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::string UncreatableFolder() {
  return "/proc/folivex-cannot-exist/x";  // no one may make folders there
}

std::vector<std::string> ExportedNames(const std::string& libraryPath) {
  const std::string command = "nm -D --defined-only '" + libraryPath + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> nm(popen(command.c_str(), "r"), pclose);
  if (!nm) throw std::runtime_error("cannot run nm");
  std::vector<std::string> names;
  char line[512];
  while (fgets(line, sizeof line, nm.get())) {
    std::string s(line);
    s = s.substr(s.find_last_of(' ') + 1);
    s.erase(s.find_last_not_of("\n") + 1);
    names.push_back(s);
  }
  std::sort(names.begin(), names.end());
  return names;
}

namespace {
int AnswerBox(const char* text, const char* caption, UINT, void* answerer) {
  return static_cast<MessageBoxAnswerer*>(answerer)->Answer(caption, text);
}
}  // namespace

MessageBoxAnswerer::MessageBoxAnswerer(int answer) : answer_(answer) {
  fvw_SetMessageBoxHook(&AnswerBox, this);
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
  fvw_SetMessageBoxHook(nullptr, nullptr);
}

#endif

}  // namespace fv::testing
