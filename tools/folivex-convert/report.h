// Turns what happens to each input into output as it happens: plain lines for people (the
// paths of the files written on standard output, everything else on standard error), or one
// JSON object a line for scripts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "folivex.h"
#include "options.h"

namespace fvc {

enum class Stream { Out, Err };

// Where formatted output goes: the terminal, or the pipe from a worker to the command.
class Sink {
 public:
  virtual ~Sink() = default;
  virtual void Write(Stream stream, const std::string& text) = 0;
};

// One input with its output settings expanded.
struct InputPlan {
  std::size_t index = 0;  // 0-based position on the command line
  std::string input;      // as the user wrote it
  std::string folder;     // the output folder, absolute
  std::string prefix;
};

enum class Outcome {
  Converted,  // the library finished the conversion and every file it announced exists
  Skipped,    // accepted and nothing to convert: a PDF, or a file that is no Word document
  Failed,
  Missing,  // no such file: not handed to the library
};
const char* OutcomeName(Outcome outcome);

// A message as the host window received it.
struct MessageRecord {
  UINT message = 0;
  uint32_t code = 0;            // wParam, a 32-bit value
  std::string path;             // WM_CONVERT_NOTIFY 0: the file announced
  bool written = false;         // ... and whether it exists when announced
  std::optional<int32_t> page;  // per-page mode: the source page the file's number stands for
};

struct InputResult {
  Outcome outcome = Outcome::Failed;
  std::string why;                        // for Skipped, Failed and Missing: one line
  std::optional<int> result;              // what FV_LoadFile returned; none when it was not called
  TConvertRange range{};                  // the record after the call: the normalised bounds
  std::vector<std::string> files;         // written, in the order announced
  std::vector<int32_t> pages;             // per-page mode: the pages of the files announced
  std::vector<std::string> missingFiles;  // announced but not written
  std::vector<uint32_t> errors;           // WM_CONVERT_ERROR codes, in order
  double seconds = 0;
};

class Report {
 public:
  Report(const Options& options, Sink& sink) : options_(options), sink_(sink) {}

  void Started(const InputPlan& plan);
  void Message(const InputPlan& plan, const MessageRecord& record);
  // A failed call of the word processor, asked as a Yes/No/Cancel box and answered Yes.
  void Check(const InputPlan& plan, const std::string& caption, const std::string& text);
  void Finished(const InputPlan& plan, const InputResult& result);

 private:
  void Line(Stream stream, const std::string& text) { sink_.Write(stream, text + "\n"); }
  bool Quiet() const { return options_.verbosity == Verbosity::Quiet; }
  bool Verbose() const { return options_.verbosity == Verbosity::Verbose; }

  const Options& options_;
  Sink& sink_;
};

// "1-3, 5, 7-8" for a sorted list of pages.
std::string PageList(const std::vector<int32_t>& pages);
// A JSON string literal.
std::string JsonString(const std::string& text);

}  // namespace fvc
