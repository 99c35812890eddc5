#include "batch.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "host.h"
#include "office.h"
#include "report.h"
#include "worker.h"

namespace fvc {
namespace {

using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t g_signal = 0;

void OnSignal(int signal) {
  g_signal = signal;
}

// Waits for a process at most `seconds`, then kills it; true when it was reaped.
bool Reap(pid_t pid, int seconds, int* status) {
  const auto deadline = Clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    const pid_t done = waitpid(pid, status, WNOHANG);
    if (done == pid || (done < 0 && errno == ECHILD)) return done == pid;
    if (Clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  return waitpid(pid, status, 0) == pid;
}

std::string EndText(int status) {
  if (WIFSIGNALED(status)) {
    const char* name = strsignal(WTERMSIG(status));
    return std::string("ended by signal ") + std::to_string(WTERMSIG(status)) +
           (name ? std::string(" (") + name + ")" : "");
  }
  return "ended with exit status " + std::to_string(WEXITSTATUS(status));
}

struct InputState {
  std::vector<std::pair<Stream, std::string>> pending;  // held back until it is its turn
  bool done = false;
  Outcome outcome = Outcome::Failed;
};

struct Worker {
  pid_t pid = 0;
  int commandFd = -1;
  int resultFd = -1;
  FrameReader reader;
  std::optional<std::size_t> current;
  Clock::time_point since;
};

class Batch {
 public:
  Batch(const Options& options, std::string libraryPath)
      : options_(options),
        libraryPath_(std::move(libraryPath)),
        inputs_(options.inputs.size()),
        slots_(std::min<std::size_t>(static_cast<std::size_t>(options.jobs), inputs_.size())),
        offices_(slots_),
        officeStarted_(slots_),
        officeErrors_(slots_),
        workers_(slots_) {
    progress_ =
        isatty(2) && !options_.json && options_.verbosity != Verbosity::Quiet && inputs_.size() > 1;
  }
  ~Batch() { Shutdown(); }

  int Run();

 private:
  // Starts one office per job when the batch has several Word documents and nobody named
  // an office of their own.
  void StartOffices();
  // Launches the office of a job; WaitForOffice then waits until it answers.
  void LaunchOffice(std::size_t slot);
  void WaitForOffice(std::size_t slot);
  bool Spawn(std::size_t slot);
  void Assign(Worker& worker);
  void OnFrame(Worker& worker, const Frame& frame);
  void OnWorkerEnded(std::size_t slot, const std::string& why, bool restartOffice);
  void FailInput(std::size_t index, const std::string& why);
  void Emit(std::size_t index, Stream stream, const std::string& text);
  void FinishInput(std::size_t index, Outcome outcome);
  void Print(Stream stream, const std::string& text);
  void DrawProgress();
  void EraseProgress();
  void Shutdown();
  void Note(const std::string& text) {
    if (options_.verbosity == Verbosity::Verbose && !options_.json) {
      Print(Stream::Err, "folivex-convert: " + text + "\n");
    }
  }

  const Options& options_;
  const std::string libraryPath_;
  std::vector<InputState> inputs_;
  std::size_t slots_;
  std::vector<std::unique_ptr<Office>> offices_;
  std::vector<Clock::time_point> officeStarted_;
  std::vector<std::string> officeErrors_;
  std::vector<Worker> workers_;
  std::string soffice_;
  std::string tempFolder_;
  std::size_t next_ = 0;  // the next input to hand out
  std::size_t head_ = 0;  // the first input whose output is not all printed
  std::size_t doneCount_ = 0;
  int idleDeaths_ = 0;
  bool progress_ = false;
  bool progressShown_ = false;
  bool outputBroken_ = false;
  std::string fatal_;
};

// The output of input `index` from one of the sources that speak for it.
class InputSink : public Sink {
 public:
  InputSink(std::function<void(Stream, const std::string&)> write) : write_(std::move(write)) {}
  void Write(Stream stream, const std::string& text) override { write_(stream, text); }

 private:
  std::function<void(Stream, const std::string&)> write_;
};

void Batch::Print(Stream stream, const std::string& text) {
  EraseProgress();
  if (!WriteAll(stream == Stream::Out ? 1 : 2, text)) outputBroken_ = true;
}

void Batch::EraseProgress() {
  if (!progressShown_) return;
  WriteAll(2, "\r\033[K");
  progressShown_ = false;
}

void Batch::DrawProgress() {
  if (!progress_ || doneCount_ == inputs_.size()) return;
  std::string line = "[" + std::to_string(doneCount_) + "/" + std::to_string(inputs_.size()) + "]";
  for (const Worker& worker : workers_) {
    if (worker.current) line += " " + options_.inputs[*worker.current];
  }
  winsize size{};
  const std::size_t width = ioctl(2, TIOCGWINSZ, &size) == 0 && size.ws_col > 4 ? size.ws_col : 80;
  if (line.size() >= width) line = line.substr(0, width - 4) + "...";
  EraseProgress();
  WriteAll(2, line);
  progressShown_ = true;
}

void Batch::Emit(std::size_t index, Stream stream, const std::string& text) {
  if (index == head_) {
    Print(stream, text);
    DrawProgress();
  } else {
    inputs_[index].pending.emplace_back(stream, text);
  }
}

void Batch::FinishInput(std::size_t index, Outcome outcome) {
  if (inputs_[index].done) return;
  inputs_[index].done = true;
  inputs_[index].outcome = outcome;
  ++doneCount_;
  while (head_ < inputs_.size()) {
    for (const auto& [stream, text] : inputs_[head_].pending) Print(stream, text);
    inputs_[head_].pending.clear();
    if (!inputs_[head_].done) break;
    ++head_;
  }
  DrawProgress();
}

void Batch::FailInput(std::size_t index, const std::string& why) {
  InputSink sink(
      [this, index](Stream stream, const std::string& text) { Emit(index, stream, text); });
  Report report(options_, sink);
  InputResult result;
  result.why = why;
  report.Finished(PlanInput(options_, index), result);
  FinishInput(index, Outcome::Failed);
}

void Batch::LaunchOffice(std::size_t slot) {
  const std::string pipe =
      "folivex-convert-" + std::to_string(getpid()) + "-" + std::to_string(slot + 1);
  const std::string folder = tempFolder_ + "/office-" + std::to_string(slot + 1);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  officeStarted_[slot] = Clock::now();
  offices_[slot] = Office::Launch(soffice_, pipe, folder, officeErrors_[slot]);
}

void Batch::WaitForOffice(std::size_t slot) {
  std::string& error = officeErrors_[slot];
  if (offices_[slot] && !offices_[slot]->WaitReady(120, &g_signal, error)) offices_[slot].reset();
  if (!offices_[slot]) {
    if (!g_signal && !options_.json && options_.verbosity != Verbosity::Quiet) {
      Print(Stream::Err, "folivex-convert: the office of job " + std::to_string(slot + 1) +
                             " did not start (" + error +
                             "); each of its files starts an office of its own\n");
    }
    error.clear();
    return;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - officeStarted_[slot]).count();
  char text[200];
  std::snprintf(text, sizeof text, "job %zu: an office answers on the pipe %s (%.1f s%s)", slot + 1,
                offices_[slot]->Pipe().c_str(), seconds,
                offices_[slot]->FromTemplate() ? "" : ", with a new profile");
  Note(text);
}

void Batch::StartOffices() {
  if (options_.office != OfficeMode::Batch) return;
  if (const char* pipe = std::getenv("FOLIVEX_OFFICE_PIPE")) {
    Note(std::string("the office on the pipe ") + pipe + " (FOLIVEX_OFFICE_PIPE)");
    return;
  }
  const auto wordInputs =
      std::count_if(options_.inputs.begin(), options_.inputs.end(), [](std::string name) {
        for (char& c : name) {
          c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        return name.find(".DOC") != std::string::npos;
      });
  if (wordInputs < 2) return;  // one file: its own office costs the same
  soffice_ = FindSoffice();
  if (soffice_.empty()) {
    Note("no soffice found: each file starts an office of its own");
    return;
  }
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/folivex-convert-XXXXXX";
  if (!mkdtemp(pattern.data())) {
    Note(std::string("cannot make a temporary folder: ") + std::strerror(errno));
    return;
  }
  tempFolder_ = pattern;
  // All launched before any is waited for: a first start makes its profile, which takes a
  // few seconds, and the offices can do that side by side.
  for (std::size_t slot = 0; slot < slots_; ++slot) LaunchOffice(slot);
  for (std::size_t slot = 0; slot < slots_; ++slot) WaitForOffice(slot);
}

bool Batch::Spawn(std::size_t slot) {
  int command[2], result[2];
  if (pipe2(command, O_CLOEXEC) != 0) return false;
  if (pipe2(result, O_CLOEXEC) != 0) {
    close(command[0]);
    close(command[1]);
    return false;
  }
  std::fflush(nullptr);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) {
    for (int fd : {command[0], command[1], result[0], result[1]}) close(fd);
    return false;
  }
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) signal(s, SIG_DFL);
    // Only its own two pipes: the others' ends would keep their workers from seeing the end.
    for (const Worker& other : workers_) {
      if (other.commandFd >= 0) close(other.commandFd);
      if (other.resultFd >= 0) close(other.resultFd);
    }
    close(command[1]);
    close(result[0]);
    const int null = open("/dev/null", O_RDONLY);
    if (null >= 0) dup2(null, 0);
    dup2(2, 1);  // standard output carries only what the command prints
    if (const Office* office = offices_[slot].get()) {
      setenv("FOLIVEX_OFFICE_PIPE", office->Pipe().c_str(), 1);
    }
    _exit(RunWorker(options_, libraryPath_, command[0], result[1]));
  }
  close(command[0]);
  close(result[1]);
  Worker& worker = workers_[slot];
  worker = Worker{};
  worker.pid = pid;
  worker.commandFd = command[1];
  worker.resultFd = result[0];
  return true;
}

void Batch::Assign(Worker& worker) {
  if (worker.commandFd < 0) return;
  if (next_ >= inputs_.size() || !fatal_.empty()) {
    close(worker.commandFd);  // no more work: the worker ends
    worker.commandFd = -1;
    return;
  }
  const std::size_t index = next_++;
  worker.current = index;
  worker.since = Clock::now();
  if (!WriteAll(worker.commandFd, std::to_string(index) + "\n")) {
    // It is gone; its end is noticed on its result pipe.
    close(worker.commandFd);
    worker.commandFd = -1;
  }
  DrawProgress();
}

void Batch::OnFrame(Worker& worker, const Frame& frame) {
  switch (frame.kind) {
    case 'O':
    case 'E':
      if (worker.current) {
        Emit(*worker.current, frame.kind == 'O' ? Stream::Out : Stream::Err, frame.payload);
      }
      break;
    case 'D':
      if (const auto index = worker.current) {
        worker.current.reset();
        const int outcome = std::atoi(frame.payload.c_str());
        FinishInput(*index, static_cast<Outcome>(std::clamp(outcome, 0, 3)));
      }
      Assign(worker);
      break;
    case 'F':
      fatal_ = frame.payload;
      break;
    default:
      break;
  }
}

void Batch::OnWorkerEnded(std::size_t slot, const std::string& why, bool restartOffice) {
  Worker& worker = workers_[slot];
  if (worker.commandFd >= 0) close(worker.commandFd);
  if (worker.resultFd >= 0) close(worker.resultFd);
  const std::optional<std::size_t> current = worker.current;
  worker = Worker{};
  if (current) {
    FailInput(*current, why);
  } else if (++idleDeaths_ > static_cast<int>(slots_) * 2 && fatal_.empty()) {
    fatal_ = "the worker processes keep ending before they convert anything (" + why + ")";
  }
  if (next_ >= inputs_.size() || !fatal_.empty() || g_signal) return;
  // The office may be left with documents open or in a state of its own: a fresh one.
  if (restartOffice && offices_[slot]) {
    offices_[slot]->Stop();
    LaunchOffice(slot);
    WaitForOffice(slot);
  }
  if (Spawn(slot)) {
    Assign(workers_[slot]);
  } else if (fatal_.empty()) {
    fatal_ = std::string("cannot start a worker process: ") + std::strerror(errno);
  }
}

int Batch::Run() {
  Note("the library: " + libraryPath_);
  StartOffices();
  for (std::size_t slot = 0; slot < slots_ && !g_signal; ++slot) {
    if (!Spawn(slot)) {
      fatal_ = std::string("cannot start a worker process: ") + std::strerror(errno);
      break;
    }
    Assign(workers_[slot]);
  }

  while (doneCount_ < inputs_.size() && !g_signal && !outputBroken_ && fatal_.empty()) {
    std::vector<pollfd> polled;
    std::vector<std::size_t> slotOf;
    int wait = 500;  // also bounds how late a signal that arrives before poll is seen
    for (std::size_t slot = 0; slot < slots_; ++slot) {
      const Worker& worker = workers_[slot];
      if (worker.resultFd < 0) continue;
      polled.push_back({worker.resultFd, POLLIN, 0});
      slotOf.push_back(slot);
      if (worker.current && options_.timeoutSeconds > 0) {
        const auto left =
            worker.since + std::chrono::seconds(options_.timeoutSeconds) - Clock::now();
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(left).count();
        wait = static_cast<int>(std::clamp<long long>(ms, 0, wait));
      }
    }
    if (polled.empty()) {
      fatal_ = "no worker process is left";
      break;
    }
    if (poll(polled.data(), polled.size(), wait) < 0 && errno != EINTR) {
      fatal_ = std::string("cannot wait for the workers: ") + std::strerror(errno);
      break;
    }
    for (std::size_t i = 0; i < polled.size(); ++i) {
      if (!polled[i].revents) continue;
      const std::size_t slot = slotOf[i];
      Worker& worker = workers_[slot];
      char buffer[65536];
      const ssize_t n = read(worker.resultFd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n > 0) {
        worker.reader.Feed(buffer, static_cast<std::size_t>(n));
        while (const auto frame = worker.reader.Next()) OnFrame(worker, *frame);
        if (!worker.reader.Broken()) continue;
      }
      // Its pipe ended (or spoke nonsense): the worker has ended or is ending.
      int status = 0;
      const bool reaped = Reap(worker.pid, 30, &status);
      OnWorkerEnded(
          slot, "the worker converting it " + (reaped ? EndText(status) : "could not be reaped"),
          false);
    }
    for (std::size_t slot = 0; slot < slots_ && options_.timeoutSeconds > 0; ++slot) {
      Worker& worker = workers_[slot];
      if (!worker.current ||
          Clock::now() - worker.since < std::chrono::seconds(options_.timeoutSeconds)) {
        continue;
      }
      kill(worker.pid, SIGKILL);
      int status = 0;
      Reap(worker.pid, 5, &status);
      OnWorkerEnded(slot,
                    "took longer than " + std::to_string(options_.timeoutSeconds) +
                        " s (--timeout) and was stopped",
                    true);
    }
  }

  const int signal = g_signal;
  Shutdown();
  if (signal) {
    Print(Stream::Err, "folivex-convert: interrupted\n");
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return 128 + signal;
  }
  if (!fatal_.empty()) {
    Print(Stream::Err, "folivex-convert: " + fatal_ + "\n");
    return 1;
  }
  if (outputBroken_) return 1;
  const bool allGood = std::all_of(inputs_.begin(), inputs_.end(), [](const InputState& input) {
    return input.done && (input.outcome == Outcome::Converted || input.outcome == Outcome::Skipped);
  });
  return allGood ? 0 : 1;
}

void Batch::Shutdown() {
  // Workers first: they may still be talking to the offices.
  for (Worker& worker : workers_) {
    if (worker.commandFd >= 0) close(worker.commandFd);
    worker.commandFd = -1;
  }
  for (Worker& worker : workers_) {
    if (worker.pid <= 0) continue;
    if (g_signal || outputBroken_ || !fatal_.empty()) kill(worker.pid, SIGTERM);
    Reap(worker.pid, 30, nullptr);
    if (worker.resultFd >= 0) close(worker.resultFd);
    worker = Worker{};
  }
  for (auto& office : offices_) office.reset();
  if (!tempFolder_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(tempFolder_, ignored);
    tempFolder_.clear();
  }
  EraseProgress();
}

}  // namespace

int RunBatch(const Options& options) {
  std::string error;
  const std::string library = LocateLibrary(error);
  if (library.empty()) {
    WriteAll(2, "folivex-convert: " + error + "\n");
    return 1;
  }
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);  // a closed output is noticed where it is written
  Batch batch(options, library);
  return batch.Run();
}

}  // namespace fvc
