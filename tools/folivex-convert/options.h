// The command line of folivex-convert: what the user asked for, checked before anything
// runs, so that a usage error never leaves half a batch converted.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fvc {

enum class Verbosity { Quiet, Normal, Verbose };

// How the word processor is run for a batch.
enum class OfficeMode {
  Batch,    // one office per job, started by the command and ended when the batch is done
  PerFile,  // the registered server starts and quits its own office for every file
};

struct Options {
  // The output folder and the file-name prefix; "%n" stands for the input's name without
  // its extension, "%%" for a per cent sign.
  std::string outputFolder = ".";
  std::string prefix;
  int32_t startNumber = 1;
  bool perPage = true;
  // Pages as the library's range record takes them: both 0 for every page.
  int32_t fromPage = 0;
  int32_t toPage = 0;
  // Form, gauge background, gauge foreground, labels: 0x00BBGGRR, or negative for a
  // system colour. Unset: the progress window keeps its own colours.
  std::optional<std::array<int32_t, 4>> colors;
  int jobs = 1;
  bool json = false;
  Verbosity verbosity = Verbosity::Normal;
  OfficeMode office = OfficeMode::Batch;
  // Longest time one input may take before its worker is stopped; 0: no limit.
  int timeoutSeconds = 600;
  std::vector<std::string> inputs;
};

struct ParsedCommandLine {
  enum class Kind { Run, Help, Version, UsageError } kind = Kind::Run;
  Options options;
  std::string error;  // for UsageError: what was wrong, one line
};

ParsedCommandLine ParseCommandLine(int argc, char** argv);

// "--pages" text: "5", "3-7", "3-" (to the end), "-7" (from the start). Pages count from 1;
// the bounds may come in either order (the library puts them in order).
bool ParsePages(const std::string& text, int32_t& fromPage, int32_t& toPage);

// One colour: "#rrggbb" as on the web, or a number (decimal or 0x hex) in the Windows
// layout 0x00BBGGRR; a negative number names a system colour.
bool ParseColor(const std::string& text, int32_t& color);

// Expands "%n" (the input's file name without its last extension) and "%%" in `pattern`.
// Returns false for any other per cent sequence.
bool ExpandPattern(const std::string& pattern, const std::string& input, std::string& expanded);

std::string HelpText();
std::string VersionText();

}  // namespace fvc
