// A worker process: the host that converts the inputs the command hands it, one at a time,
// and sends back the formatted output of each as it happens.
//
// Command to worker: one input index a line; the end of the pipe means no more work.
// Worker to command: frames "<kind><length>\n<payload>", kind 'O' (standard output), 'E'
// (standard error), 'D' (the input is done; the payload is its outcome's digit) or 'F' (the
// worker cannot convert anything; the payload says why).
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "options.h"
#include "report.h"

namespace fvc {

struct Frame {
  char kind = 0;
  std::string payload;
};

// Writes every byte, going on after interruptions; false when the pipe is gone.
bool WriteAll(int fd, const std::string& bytes);
bool WriteFrame(int fd, char kind, const std::string& payload);

// Collects bytes from a worker and cuts them into frames.
class FrameReader {
 public:
  void Feed(const char* bytes, std::size_t count) { buffer_.append(bytes, count); }
  // The next complete frame, if one has arrived. A malformed frame sets `broken`.
  std::optional<Frame> Next();
  bool Broken() const { return broken_; }

 private:
  std::string buffer_;
  bool broken_ = false;
};

// Runs in the worker process; returns its exit status.
int RunWorker(const Options& options, const std::string& libraryPath, int commandFd, int resultFd);

}  // namespace fvc
