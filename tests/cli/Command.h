// Runs a program as a person or a script would, and collects what it printed: for the tests
// of the command and of the example hosts, which test the real programs.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace fv::testing {

struct CommandResult {
  int exitStatus = -1;  // -1 when it did not exit normally
  int signal = 0;       // the signal that ended it, if one did
  bool timedOut = false;
  pid_t pid = 0;
  std::string out, err;

  std::vector<std::string> OutLines() const;
  std::vector<std::string> ErrLines() const;
};

struct CommandOptions {
  std::string folder;                      // where it runs (default: here)
  std::map<std::string, std::string> env;  // set on top of ours
  std::vector<std::string> unset;          // removed from ours
  int timeoutSeconds = 120;                // then it is killed
};

// Runs `argv` (argv[0] is a path) and waits for it to end, at most the time limit.
CommandResult RunCommand(const std::vector<std::string>& argv, const CommandOptions& options = {});

// Splits text into lines (the last one without its newline).
std::vector<std::string> Lines(const std::string& text);

}  // namespace fv::testing
