// An office started by the command for a batch: soffice, headless, listening on a pipe and
// with a profile folder of its own, so that every file of the batch attaches to it instead
// of starting an office of its own. Ended by its process group when the batch is done.
#pragma once

#include <sys/types.h>

#include <csignal>
#include <memory>
#include <string>
#include <vector>

namespace fvc {

// The soffice to start: FOLIVEX_SOFFICE when set, else "soffice" on the PATH; empty when
// there is none.
std::string FindSoffice();

class Office {
 public:
  // Starts soffice without waiting for it; null with `error` set when it cannot start.
  // `folder` receives its profile and its log.
  static std::unique_ptr<Office> Launch(const std::string& soffice, const std::string& pipe,
                                        const std::string& folder, std::string& error);
  ~Office() { Stop(); }
  Office(const Office&) = delete;
  Office& operator=(const Office&) = delete;

  // Waits until the office accepts connections on its pipe, at most `seconds`, and not
  // past a set `*stop`. False, with `error` set, when it ended, did not answer in time or
  // the wait was stopped.
  bool WaitReady(int seconds, const volatile std::sig_atomic_t* stop, std::string& error);
  // Ends every process of the office (asked first, then forced after a bounded wait) and
  // removes the socket files of its pipes. Safe to call more than once.
  void Stop();

  const std::string& Pipe() const { return pipe_; }
  pid_t ProcessGroup() const { return group_; }
  // Whether its profile is a copy of the office server's ready-made one.
  bool FromTemplate() const { return fromTemplate_; }

 private:
  Office() = default;
  bool Answers() const;

  std::string pipe_, profile_, log_, socketPath_;
  std::vector<std::string> socketFiles_;  // the pipes it listens on, removed when it is ended
  pid_t group_ = 0;                       // the launched process, leader of its own process group
  bool reaped_ = false;
  bool fromTemplate_ = false;
};

// Where LibreOffice's pipe of that name lives (the socket a client connects to).
std::string OfficePipeSocketPath(const std::string& pipe);

}  // namespace fvc
