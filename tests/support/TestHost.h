// A host of the library for the conformance tests: it loads the library as a real host
// does (dlopen; LoadLibraryA on Windows), owns a window that records every message it
// receives, and can unload and load the library again between cases. Beside it, the few
// things the tests do that differ between the platforms: paths, temporary folders, the
// export table and the answers to message boxes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "folivex.h"

#ifdef _WIN32
#define FV_WINDOW_CALLBACK CALLBACK
#else
#define FV_WINDOW_CALLBACK
#endif

namespace fv::testing {

struct Message {
  UINT message;
  uint32_t wParam;  // wParam is a 32-bit value
  intptr_t lParam;
  std::string path;  // for WM_CONVERT_NOTIFY 0: the text behind lParam, copied in the handler

  bool operator==(const Message&) const = default;
};

// Shorthands for expected sequences.
Message Notify(uint32_t wParam, intptr_t lParam = 0, std::string path = "");
Message Error(uint32_t code);
std::string Describe(const std::vector<Message>& messages);

class TestHost {
 public:
  // Loads the library from `libraryPath` (the built libfolivex.so by default).
  explicit TestHost(std::string libraryPath = FOLIVEX_LIBRARY_PATH);
  ~TestHost();
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;

  void Load();
  void Unload();
  bool Loaded() const { return handle_ != nullptr; }

  HWND Window() const { return window_; }
  const std::vector<Message>& Messages() const { return messages_; }
  void ClearMessages() { messages_.clear(); }
  // Messages with lParam of WM_CONVERT_NOTIFY 0 replaced by 0, for comparing sequences.
  std::vector<Message> Sequence() const;

  // Called from inside the window procedure for every message (after it is recorded).
  void (*onMessage)(TestHost& host, const Message& message) = nullptr;

  // The six exports, resolved by name, with the library's calling convention.
  void(FV_CALL* Initialization)(HWND) = nullptr;
  int(FV_CALL* SetSavePath)(const char*) = nullptr;
  void(FV_CALL* SetFirstChar)(const char*) = nullptr;
  void(FV_CALL* SetStartPageNumber)(int) = nullptr;
  void(FV_CALL* SetProgressStyle)(int, int, int, int) = nullptr;
  int(FV_CALL* LoadFile)(const char*, TConvertRange*) = nullptr;

 private:
  void Record(UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT FV_WINDOW_CALLBACK Procedure(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam);

  std::string libraryPath_;
  void* handle_ = nullptr;
  HWND window_ = nullptr;
  std::vector<Message> messages_;
};

// The separator of the library's paths: "/", or "\\" on Windows.
extern const char kSeparator;
// `folder`, a separator and `relative`, whose "/" become the platform's separator.
std::string JoinPath(const std::string& folder, const std::string& relative);

// A folder of its own below the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::string& Path() const { return path_; }
  // A path below the folder; "/" in `name` separates folders on every platform.
  std::string operator/(const std::string& name) const { return JoinPath(path_, name); }
  // Writes `content` into the file `name` and returns its path.
  std::string Write(const std::string& name, const std::string& content) const;

 private:
  std::string path_;
};

// A folder that no one can make: below a folder no one may write, or on a drive that does
// not exist.
std::string UncreatableFolder();
// The names the library at `libraryPath` exports, sorted.
std::vector<std::string> ExportedNames(const std::string& libraryPath);

// Answers every message box the library shows on this thread with `answer` (IDYES, IDNO
// or IDCANCEL) and records it, until it goes. On Windows the box is the system's own,
// ended as a press of the button would end it.
class MessageBoxAnswerer {
 public:
  struct Box {
    std::string caption, text;
  };
  explicit MessageBoxAnswerer(int answer = IDYES);
  ~MessageBoxAnswerer();
  MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
  MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;
  const std::vector<Box>& Boxes() const { return boxes_; }
  // For the platform's hook: records the box and gives the answer.
  int Answer(const char* caption, const char* text);

 private:
  int answer_;
  std::vector<Box> boxes_;
};

// The names of the files in `folder`, sorted.
std::vector<std::string> ListFiles(const std::string& folder);
std::string ReadFile(const std::string& path);

}  // namespace fv::testing
