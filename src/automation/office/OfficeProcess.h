// An office process that the server started: its own session and process group, its own
// copy of the ready-made profile, and a pipe to listen on. Ending it leaves nothing behind:
// no process, no profile copy, no socket file of its pipes.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "automation/office/OfficeSettings.h"

namespace fv::office {

// The exit status an office uses to ask for a restart (after setting up a new profile).
inline constexpr int kOfficeRestartStatus = 81;

class OfficeProcess {
 public:
  // Copies the profile template into a new temporary folder and starts the office on
  // `settings.pipe` with it: headless, invisible, no logo, no restore, no default document,
  // no lock check. Returns null with `error` set when it cannot be started.
  static std::unique_ptr<OfficeProcess> Start(const OfficeSettings& settings, std::string& error);

  OfficeProcess(const OfficeProcess&) = delete;
  OfficeProcess& operator=(const OfficeProcess&) = delete;
  // Ends it as End(0) would.
  ~OfficeProcess();

  pid_t Pid() const { return pid_; }
  // Whether the process has ended; reaps it. `status` gets its exit status (or 128 + the
  // signal that ended it).
  bool HasExited(int* status = nullptr);
  // Starts the office again with the same profile and pipe (after it asked for a restart).
  bool Restart(std::string& error);
  // Kills its whole process group at once. Safe to call from any thread.
  void Kill();
  // Waits up to `grace` for the process to end by itself, kills what is left, reaps it and
  // removes its profile and the socket files of its pipes.
  void End(std::chrono::milliseconds grace);

 private:
  OfficeProcess() = default;
  bool Spawn(std::string& error);
  // Kills the process group and reaps its leader, unless that was done already.
  void KillAndReap();

  std::string binary_;
  std::string profile_;  // the temporary folder holding the copy
  std::string pipe_;
  std::atomic<pid_t> pid_{-1};
  bool reaped_ = false;
  int status_ = 0;
};

// Removes the profile copies and pipe sockets of offices whose starting process has gone
// (a host that was killed): they are named after that process.
void SweepLeftovers(const std::string& tempFolder);

// The socket files that an office with `profileFolder` listening on `pipe` creates.
std::vector<std::string> OfficePipeFiles(const std::string& profileFolder, const std::string& pipe);

// The file URL of a local absolute path (percent-encoding what a URL may not hold).
std::string FileUrl(const std::string& path);

// The command line of an office on `profile` that shows nothing and asks nothing (no logo,
// restore, default document or lock check); the caller adds what it is started for.
std::vector<std::string> QuietOfficeCommand(const std::string& soffice, const std::string& profile);

}  // namespace fv::office
