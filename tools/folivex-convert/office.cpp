#include "office.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace fvc {
namespace {

using Clock = std::chrono::steady_clock;

// A local path as a file URL, as the office takes its profile location.
std::string FileUrl(const std::string& path) {
  std::string url = "file://";
  for (unsigned char c : path) {
    if (std::isalnum(c) || std::strchr("/-._~", c)) {
      url += static_cast<char>(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      url += escaped;
    }
  }
  return url;
}

std::string LastLine(const std::string& path) {
  std::ifstream file(path);
  std::string line, last;
  while (std::getline(file, line)) {
    if (!line.empty()) last = line;
  }
  return last;
}

bool GroupAlive(pid_t group) {
  return kill(-group, 0) == 0 || errno != ESRCH;
}

}  // namespace

std::string FindSoffice() {
  if (const char* named = std::getenv("FOLIVEX_SOFFICE"); named && *named) {
    return access(named, X_OK) == 0 ? named : "";
  }
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "/usr/bin:/bin");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    const std::string candidate = (folder.empty() ? "." : folder) + "/soffice";
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

std::string OfficePipeSocketPath(const std::string& pipe) {
  // The office's pipes are sockets in /tmp (or /var/tmp when /tmp cannot be written),
  // named after the user's id and the pipe.
  const char* folder = access("/tmp", W_OK) == 0 ? "/tmp" : "/var/tmp";
  return std::string(folder) + "/OSL_PIPE_" + std::to_string(getuid()) + "_" + pipe;
}

std::unique_ptr<Office> Office::Launch(const std::string& soffice, const std::string& pipe,
                                       const std::string& folder, std::string& error) {
  std::unique_ptr<Office> office(new Office());
  office->pipe_ = pipe;
  office->profile_ = folder + "/profile";
  office->log_ = folder + "/office.log";
  office->socketPath_ = OfficePipeSocketPath(pipe);
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    error = "cannot make " + folder + ": " + std::strerror(errno);
    return nullptr;
  }
  const std::vector<std::string> arguments = {
      soffice,
      "--headless",
      "--invisible",
      "--norestore",
      "--nolockcheck",
      "--nodefault",
      "--nofirststartwizard",
      "-env:UserInstallation=" + FileUrl(office->profile_),
      "--accept=pipe,name=" + pipe + ";urp;StarOffice.ComponentContext"};
  std::vector<char*> argv;
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) {
    error = std::string("cannot start soffice: ") + std::strerror(errno);
    return nullptr;
  }
  if (pid == 0) {
    // A process group of its own, so that the office and the processes it starts end
    // together; and it ends if the command dies without ending it.
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    const int in = open("/dev/null", O_RDONLY);
    const int log = open(office->log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (in >= 0) dup2(in, 0);
    if (log >= 0) {
      dup2(log, 1);
      dup2(log, 2);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  setpgid(pid, pid);  // also here: no window in which the child is outside its group
  office->group_ = pid;
  return office;
}

bool Office::Answers() const {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath_.c_str(), sizeof address.sun_path - 1);
  const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return connected;
}

bool Office::WaitReady(int seconds, const volatile std::sig_atomic_t* stop, std::string& error) {
  const auto deadline = Clock::now() + std::chrono::seconds(seconds);
  while (Clock::now() < deadline) {
    if (stop && *stop) {
      error = "interrupted";
      return false;
    }
    int status = 0;
    if (!reaped_ && waitpid(group_, &status, WNOHANG) == group_) {
      reaped_ = true;
      const std::string last = LastLine(log_);
      error = "soffice ended before it answered (" +
              (WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                 : "signal " + std::to_string(WTERMSIG(status))) +
              ")" + (last.empty() ? "" : ": " + last);
      return false;
    }
    if (Answers()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  error = "soffice did not answer on its pipe within " + std::to_string(seconds) + " s";
  return false;
}

void Office::Stop() {
  if (group_ <= 0) return;
  // Asked to end first, so that it leaves its profile in order; forced when it does not.
  for (int signal : {SIGTERM, SIGKILL}) {
    kill(-group_, signal);
    const auto deadline = Clock::now() + std::chrono::seconds(signal == SIGTERM ? 10 : 5);
    while (Clock::now() < deadline) {
      if (!reaped_ && waitpid(group_, nullptr, WNOHANG) == group_) reaped_ = true;
      if (reaped_ && !GroupAlive(group_)) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (reaped_ && !GroupAlive(group_)) break;
  }
  if (!reaped_ && waitpid(group_, nullptr, 0) == group_) reaped_ = true;
  struct stat info;
  if (lstat(socketPath_.c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) {
    unlink(socketPath_.c_str());
  }
  group_ = 0;
}

}  // namespace fvc
