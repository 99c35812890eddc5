// The host proper: loads the library at run time as a host loads a DLL, owns the window
// that receives its messages, hands it one input at a time and tells the report what
// happens as it happens.
#pragma once

#include <string>

#include "folivex.h"
#include "options.h"
#include "report.h"

namespace fvc {

// Where the library is: FOLIVEX_LIBRARY when set, else beside the program (the build tree's
// or the installed layout), else the system's search path. Empty, with `error` set, when a
// named file does not exist.
std::string LocateLibrary(std::string& error);

// The input at `index` with its output folder (made absolute) and prefix expanded.
InputPlan PlanInput(const Options& options, std::size_t index);

// The six exports of one loaded copy of the library.
class Library {
 public:
  Library() = default;
  ~Library() { Unload(); }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  bool Load(const std::string& path, std::string& error);
  void Unload();

  void (*Initialization)(HWND) = nullptr;
  int (*SetSavePath)(const char*) = nullptr;
  void (*SetFirstChar)(const char*) = nullptr;
  void (*SetStartPageNumber)(int) = nullptr;
  void (*SetProgressStyle)(int, int, int, int) = nullptr;
  int (*LoadFile)(const char*, TConvertRange*) = nullptr;

 private:
  void* handle_ = nullptr;
};

// Converts inputs one after the other in this process.
class Converter {
 public:
  Converter(const Options& options, Report& report) : options_(options), report_(report) {}
  ~Converter();
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Loads the library and creates the host window.
  bool Start(const std::string& libraryPath, std::string& error);
  // Converts the input at `index` of the options' inputs, reporting as it goes.
  InputResult Convert(std::size_t index);

 private:
  static LRESULT Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static int AnswerCheck(const char* text, const char* caption, UINT flags, void* context);
  void OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  bool PrepareLibrary(const std::string& absoluteInput, std::string& error);
  std::optional<int32_t> PageOfFile(const std::string& path) const;

  const Options& options_;
  Report& report_;
  std::string libraryPath_;
  Library library_;
  HWND window_ = nullptr;
  bool handedOver_ = false;  // an input went to the loaded copy of the library

  // The input being converted, while FV_LoadFile runs.
  const InputPlan* plan_ = nullptr;
  InputResult* result_ = nullptr;
  bool finished_ = false;
  bool messaged_ = false;
};

}  // namespace fvc
