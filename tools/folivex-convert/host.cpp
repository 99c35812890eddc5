#include "host.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "explain.h"

// Where the library lies relative to the program: in the build tree and once installed.
#ifndef FOLIVEX_BUILD_LIBRARY_DIR
#define FOLIVEX_BUILD_LIBRARY_DIR "."
#endif
#ifndef FOLIVEX_INSTALL_LIBRARY_DIR
#define FOLIVEX_INSTALL_LIBRARY_DIR "../lib"
#endif

namespace fvc {
namespace {

namespace fs = std::filesystem;

std::string UpperCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

template <class F>
bool Resolve(void* handle, const char* name, F& function, std::string& error) {
  function = reinterpret_cast<F>(dlsym(handle, name));
  if (!function) error = std::string("the library has no ") + name;
  return function != nullptr;
}

}  // namespace

std::string LocateLibrary(std::string& error) {
  if (const char* named = std::getenv("FOLIVEX_LIBRARY"); named && *named) {
    if (access(named, R_OK) == 0) return named;
    error = std::string("FOLIVEX_LIBRARY names ") + named + ", which cannot be read";
    return "";
  }
  std::error_code failed;
  const fs::path program = fs::read_symlink("/proc/self/exe", failed);
  if (!failed) {
    const fs::path folder = program.parent_path();
    for (const fs::path& candidate : {folder / FOLIVEX_INSTALL_LIBRARY_DIR / "libfolivex.so.0",
                                      folder / FOLIVEX_BUILD_LIBRARY_DIR / "libfolivex.so"}) {
      if (access(candidate.c_str(), R_OK) == 0) return candidate.lexically_normal().string();
    }
  }
  return "libfolivex.so.0";  // the system's search path
}

InputPlan PlanInput(const Options& options, std::size_t index) {
  InputPlan plan;
  plan.index = index;
  plan.input = options.inputs.at(index);
  std::string folder;
  ExpandPattern(options.outputFolder, plan.input, folder);  // checked with the options
  ExpandPattern(options.prefix, plan.input, plan.prefix);
  plan.folder = fs::absolute(folder).lexically_normal().string();
  if (plan.folder.size() > 1 && plan.folder.back() == '/') plan.folder.pop_back();
  return plan;
}

bool Library::Load(const std::string& path, std::string& error) {
  Unload();
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    error = std::string("cannot load the library: ") + dlerror();
    return false;
  }
  if (Resolve(handle_, "FV_Initialization", Initialization, error) &&
      Resolve(handle_, "FV_Set_SavePath", SetSavePath, error) &&
      Resolve(handle_, "FV_Set_FirstChar", SetFirstChar, error) &&
      Resolve(handle_, "FV_Set_StartPageNumber", SetStartPageNumber, error) &&
      Resolve(handle_, "FV_Set_Progress_Style", SetProgressStyle, error) &&
      Resolve(handle_, "FV_LoadFile", LoadFile, error)) {
    return true;
  }
  Unload();
  return false;
}

void Library::Unload() {
  if (handle_) dlclose(handle_);
  handle_ = nullptr;
  Initialization = nullptr;
  SetSavePath = nullptr;
  SetFirstChar = nullptr;
  SetStartPageNumber = nullptr;
  SetProgressStyle = nullptr;
  LoadFile = nullptr;
}

Converter::~Converter() {
  library_.Unload();
  fvw_SetMessageBoxHook(nullptr, nullptr);
  if (window_) fvw_DestroyWindow(window_);
}

bool Converter::Start(const std::string& libraryPath, std::string& error) {
  libraryPath_ = libraryPath;
  window_ = fvw_CreateWindow(&Converter::Procedure, this);
  if (!window_) {
    error = "cannot create the host window";
    return false;
  }
  // A failed call of the word processor asks Yes/No/Cancel; every answer ends the failed
  // step, so the command answers itself rather than wait for a person who may not be there.
  fvw_SetMessageBoxHook(&Converter::AnswerCheck, this);
  return library_.Load(libraryPath_, error);
}

LRESULT Converter::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (auto* self = static_cast<Converter*>(fvw_GetWindowData(window))) {
    self->OnMessage(message, wParam, lParam);
  }
  return 0;
}

int Converter::AnswerCheck(const char* text, const char* caption, UINT, void* context) {
  auto* self = static_cast<Converter*>(context);
  if (self->plan_) self->report_.Check(*self->plan_, caption ? caption : "", text ? text : "");
  return IDYES;
}

std::optional<int32_t> Converter::PageOfFile(const std::string& path) const {
  if (!options_.perPage || !plan_) return std::nullopt;
  const std::string name = fs::path(path).filename().string();
  const std::string& prefix = plan_->prefix;
  if (name.size() < prefix.size() + 5 || name.compare(0, prefix.size(), prefix) != 0 ||
      name.compare(name.size() - 4, 4, ".htm") != 0) {
    return std::nullopt;
  }
  const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - 4);
  char* end = nullptr;
  errno = 0;
  const long long number = std::strtoll(digits.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || digits.empty()) return std::nullopt;
  const long long page = number - options_.startNumber + 1;
  if (page < 1 || page > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(page);
}

void Converter::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!plan_ || (message != WM_CONVERT_NOTIFY && message != WM_CONVERT_ERROR)) return;
  messaged_ = true;
  MessageRecord record;
  record.message = message;
  record.code = static_cast<uint32_t>(wParam);
  if (message == WM_CONVERT_ERROR) {
    result_->errors.push_back(record.code);
  } else if (record.code == 0 && lParam) {
    // The text is the library's only while this message is handled: copy it now.
    record.path = reinterpret_cast<const char*>(lParam);
    struct stat info;
    record.written = stat(record.path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
    record.page = PageOfFile(record.path);
    if (record.page) result_->pages.push_back(*record.page);
    (record.written ? result_->files : result_->missingFiles).push_back(record.path);
  } else if (record.code == 1) {
    finished_ = true;
  }
  report_.Message(*plan_, record);
}

bool Converter::PrepareLibrary(const std::string& absoluteInput, std::string& error) {
  // Once a Word document went through it, a loaded library takes every later file for one,
  // and once a PDF did, every later file that is not named like a Word document for a PDF.
  // A fresh copy makes each input's kind depend on its own name only, whatever came before
  // and whichever job it lands on.
  if (handedOver_ && UpperCase(absoluteInput).find(".DOC") == std::string::npos) {
    library_.Unload();
    handedOver_ = false;
  }
  if (!library_.LoadFile && !library_.Load(libraryPath_, error)) return false;
  library_.Initialization(window_);
  library_.SetFirstChar(plan_->prefix.c_str());
  library_.SetStartPageNumber(options_.startNumber);
  if (options_.colors) {
    const auto& c = *options_.colors;
    library_.SetProgressStyle(c[0], c[1], c[2], c[3]);
  }
  // The library makes the folders level by level and takes a level that another job made
  // meanwhile for a failure: jobs that share a parent folder may need a second try.
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (library_.SetSavePath(plan_->folder.c_str()) == 1) return true;
  }
  error = "cannot make the output folder " + plan_->folder;
  return false;
}

InputResult Converter::Convert(std::size_t index) {
  const InputPlan plan = PlanInput(options_, index);
  InputResult result;
  report_.Started(plan);
  const std::string absoluteInput = fs::absolute(plan.input).lexically_normal().string();
  struct stat info;
  if (stat(absoluteInput.c_str(), &info) != 0) {
    result.outcome = Outcome::Missing;
    result.why = errno == ENOENT ? "no such file" : std::strerror(errno);
  } else if (S_ISDIR(info.st_mode)) {
    result.outcome = Outcome::Missing;
    result.why = "a folder, not a file";
  } else if (access(absoluteInput.c_str(), R_OK) != 0) {
    result.outcome = Outcome::Failed;
    result.why = std::string("cannot be read: ") + std::strerror(errno);
  }
  if (!result.why.empty()) {
    report_.Finished(plan, result);
    return result;
  }

  plan_ = &plan;
  result_ = &result;
  finished_ = messaged_ = false;
  std::string error;
  if (!PrepareLibrary(absoluteInput, error)) {
    plan_ = nullptr;
    result_ = nullptr;
    result.why = error;
    report_.Finished(plan, result);
    return result;
  }

  result.range = {options_.perPage ? 1 : 0, options_.fromPage, options_.toPage};
  const auto started = std::chrono::steady_clock::now();
  handedOver_ = true;
  result.result = library_.LoadFile(absoluteInput.c_str(), &result.range);
  result.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  plan_ = nullptr;
  result_ = nullptr;

  if (finished_ && *result.result == 1) {
    result.outcome = result.missingFiles.empty() ? Outcome::Converted : Outcome::Failed;
    if (!result.missingFiles.empty()) {
      result.why = std::to_string(result.missingFiles.size()) + " announced file" +
                   (result.missingFiles.size() == 1 ? " was" : "s were") + " not written";
    }
  } else if (*result.result == 1 && !messaged_) {
    result.outcome = Outcome::Skipped;
    result.why = UpperCase(absoluteInput).find(".PDF") != std::string::npos
                     ? "a PDF file, which the library accepts and does not convert"
                     : "not a Word document (its name holds no .doc)";
  } else if (std::find(result.errors.begin(), result.errors.end(), 103u) != result.errors.end()) {
    result.why = "the document could not be opened in the word processor";
  } else if (!result.errors.empty()) {
    const uint32_t first = result.errors.front();
    result.why = "error " + CodeText(first) + ": " + ExplainError(first).meaning;
  } else if (!messaged_) {
    result.why =
        "the library gave up without a message: the word processor may have refused "
        "to open the file";
  } else {
    result.why = "the conversion produced nothing";
  }
  report_.Finished(plan, result);
  return result;
}

}  // namespace fvc
