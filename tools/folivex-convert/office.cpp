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
#include <filesystem>
#include <fstream>
#include <set>
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

// The ready-made profile that the office server keeps for the offices it starts: a copy of
// it starts in about a second, where an empty profile is set up for many seconds first.
std::string ProfileTemplate() {
  auto variable = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string(value ? value : "");
  };
  if (std::string named = variable("FOLIVEX_OFFICE_PROFILE"); !named.empty()) return named;
  std::string cache = variable("XDG_CACHE_HOME");
  if (cache.empty() || cache[0] != '/') {
    const std::string home = variable("HOME");
    cache = !home.empty() && home[0] == '/' ? home + "/.cache" : "";
  }
  if (!cache.empty()) return cache + "/folivex/office-profile";
  std::string temp = variable("TMPDIR");
  if (temp.empty() || temp[0] != '/') temp = "/tmp";
  return temp + "/folivex-" + std::to_string(getuid()) + "/office-profile";
}

// The processes of the group: the leader and, recursively, the children of its threads.
std::vector<pid_t> ProcessTree(pid_t leader) {
  std::vector<pid_t> tree = {leader};
  for (std::size_t i = 0; i < tree.size(); ++i) {
    std::error_code failed;
    const std::string tasks = "/proc/" + std::to_string(tree[i]) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks, failed)) {
      std::ifstream children(task.path() / "children");
      pid_t child;
      while (children >> child) tree.push_back(child);
    }
  }
  return tree;
}

// The paths of the Unix sockets that the processes of `leader`'s tree listen on: the
// office's pipes, which it leaves behind as files when it is killed.
std::vector<std::string> SocketFiles(pid_t leader) {
  std::set<std::string> inodes;
  for (pid_t pid : ProcessTree(leader)) {
    const std::string folder = "/proc/" + std::to_string(pid) + "/fd";
    std::error_code failed;
    for (const auto& entry : std::filesystem::directory_iterator(folder, failed)) {
      const std::string target = std::filesystem::read_symlink(entry.path(), failed).string();
      if (!failed && target.rfind("socket:[", 0) == 0) {
        inodes.insert(target.substr(8, target.size() - 9));
      }
    }
  }
  std::vector<std::string> files;
  std::ifstream table("/proc/net/unix");
  std::string line;
  std::getline(table, line);  // the heading
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, references, protocol, flags, type, state, inode, path;
    if (fields >> slot >> references >> protocol >> flags >> type >> state >> inode >> path &&
        path[0] == '/' && inodes.count(inode)) {
      files.push_back(path);
    }
  }
  return files;
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
  std::error_code failed;
  const std::filesystem::path ready = ProfileTemplate();
  if (std::filesystem::is_directory(ready, failed) && !std::filesystem::is_empty(ready, failed)) {
    std::filesystem::copy(
        ready, office->profile_,
        std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks,
        failed);
    office->fromTemplate_ = !failed;
    if (failed) std::filesystem::remove_all(office->profile_, failed);  // set up afresh
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
    if (Answers()) {
      socketFiles_ = SocketFiles(group_);
      return true;
    }
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
  socketFiles_.push_back(socketPath_);
  for (const std::string& file : socketFiles_) {
    struct stat info;
    if (lstat(file.c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) unlink(file.c_str());
  }
  socketFiles_.clear();
  group_ = 0;
}

}  // namespace fvc
