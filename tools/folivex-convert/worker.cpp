#include "worker.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "host.h"

namespace fvc {

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

namespace {

// Output of the worker goes to the command, which prints it in input order.
class FrameSink : public Sink {
 public:
  explicit FrameSink(int fd) : fd_(fd) {}
  void Write(Stream stream, const std::string& text) override {
    // Without the command nobody reads the output: stop rather than convert for no one.
    if (!WriteFrame(fd_, stream == Stream::Out ? 'O' : 'E', text)) _exit(1);
  }

 private:
  int fd_;
};

// One line from the command: an input index, or nothing at the end of the pipe.
std::optional<std::size_t> ReadIndex(int fd) {
  std::string line;
  char c;
  for (;;) {
    const ssize_t n = read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;
    if (c == '\n') break;
    line += c;
  }
  char* end = nullptr;
  const unsigned long long index = std::strtoull(line.c_str(), &end, 10);
  if (line.empty() || *end != '\0') return std::nullopt;
  return static_cast<std::size_t>(index);
}

}  // namespace

bool WriteFrame(int fd, char kind, const std::string& payload) {
  return WriteAll(fd, kind + std::to_string(payload.size()) + "\n" + payload);
}

std::optional<Frame> FrameReader::Next() {
  if (broken_ || buffer_.empty()) return std::nullopt;
  const auto newline = buffer_.find('\n');
  if (newline == std::string::npos) {
    broken_ = buffer_.size() > 32;  // a header is a letter and a length
    return std::nullopt;
  }
  char* end = nullptr;
  const unsigned long long length = std::strtoull(buffer_.c_str() + 1, &end, 10);
  if (end != buffer_.c_str() + newline || newline < 2) {
    broken_ = true;
    return std::nullopt;
  }
  if (buffer_.size() - newline - 1 < length) return std::nullopt;
  Frame frame{buffer_[0], buffer_.substr(newline + 1, length)};
  buffer_.erase(0, newline + 1 + length);
  return frame;
}

int RunWorker(const Options& options, const std::string& libraryPath, int commandFd, int resultFd) {
  FrameSink sink(resultFd);
  Report report(options, sink);
  Converter converter(options, report);
  std::string error;
  if (!converter.Start(libraryPath, error)) {
    WriteFrame(resultFd, 'F', error);
    return 1;
  }
  while (const auto index = ReadIndex(commandFd)) {
    if (*index >= options.inputs.size()) return 1;
    const InputResult result = converter.Convert(*index);
    if (!WriteFrame(resultFd, 'D', std::to_string(static_cast<int>(result.outcome)))) return 1;
  }
  return 0;
}

}  // namespace fvc
