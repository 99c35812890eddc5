// A host of the library for the conformance tests: it loads the library as a real host
// does (dlopen), owns a window that records every message it receives, and can unload
// and load the library again between cases.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "folivex.h"

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

  // The six exports, resolved by name.
  void (*Initialization)(HWND) = nullptr;
  int (*SetSavePath)(const char*) = nullptr;
  void (*SetFirstChar)(const char*) = nullptr;
  void (*SetStartPageNumber)(int) = nullptr;
  void (*SetProgressStyle)(int, int, int, int) = nullptr;
  int (*LoadFile)(const char*, TConvertRange*) = nullptr;

 private:
  static LRESULT Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  std::string libraryPath_;
  void* handle_ = nullptr;
  HWND window_ = nullptr;
  std::vector<Message> messages_;
};

// A folder of its own below the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  // Writes `content` into the file `name` and returns its path.
  std::string Write(const std::string& name, const std::string& content) const;

 private:
  std::string path_;
};

// The names of the files in `folder`, sorted.
std::vector<std::string> ListFiles(const std::string& folder);
std::string ReadFile(const std::string& path);

}  // namespace fv::testing
