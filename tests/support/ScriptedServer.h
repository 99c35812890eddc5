// The scripted automation server of the tests: a word processor whose documents are text
// files with pages separated by form feeds, registrable under "Word.Application" like any
// server. Every call is logged, and any member can be made to fail on its k-th call.
//
// A test links this library and the library under test loads the same shared object
// through its registration, so both see one server.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
#define SCRIPTED_API __declspec(dllexport)
#else
#define SCRIPTED_API __attribute__((visibility("default")))
#endif

namespace fv::scripted {

// Forgets every instance, fault, log entry and record; no instance is running.
SCRIPTED_API void Reset();

// Makes the k-th call (from 1, counted since Reset) of `member` fail with `hr`, or succeed
// with a null interface when `nullInterface` is set. Members are named as in the log:
// "Application.Documents", "Documents.Open", "Selection.GoTo", "Document.SaveAs",
// "Server.GetActiveObject", "Server.CreateInstance", ...
SCRIPTED_API void FailCall(const std::string& member, int k, int32_t hr);
SCRIPTED_API void NullResult(const std::string& member, int k);

// An instance already running and registered as the active application, with the
// documents in `openFiles` open (each becomes an item of its Documents).
SCRIPTED_API void StartRunningInstance(const std::vector<std::string>& openFiles = {});

// Every call in order: "Selection.GoTo(I4 1, I4 1, I4 3, empty)" and the like.
SCRIPTED_API std::vector<std::string> CallLog();
// The log entries of one member, e.g. Calls("Document.SaveAs").
SCRIPTED_API std::vector<std::string> Calls(const std::string& member);

// True while the clipboard holds a copy the server made (of a range or the selection).
SCRIPTED_API bool ClipboardHoldsCopy();

struct InstanceState {
  bool quit = false;
  bool visible = true;
  bool checkSpelling = true;
  bool checkGrammar = true;
  std::vector<std::string> openDocuments;  // names, item 1 first
};
// The instances created since Reset, the running one (if any) first.
SCRIPTED_API std::vector<InstanceState> Instances();

}  // namespace fv::scripted
