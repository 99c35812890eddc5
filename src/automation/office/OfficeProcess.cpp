#include "automation/office/OfficeProcess.h"

#include <dirent.h>
#include <fcntl.h>
#include <rtl/digest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "automation/office/ProfileTemplate.h"

extern char** environ;

namespace fv::office {
namespace {

namespace fs = std::filesystem;

constexpr const char* kProfilePrefix = "folivex-office-";
constexpr const char* kPipeNoteFile = "folivex-pipe";

bool ProcessGone(pid_t pid) {
  return kill(pid, 0) == -1 && errno == ESRCH;
}

// The folder where the office runtime puts the socket files of its pipes.
std::string PipeFolder() {
  return access("/tmp", W_OK) == 0 ? "/tmp" : "/var/tmp";
}

std::string Md5HexOfUtf16(const std::string& ascii) {
  std::string utf16;
  for (char c : ascii) {
    utf16.push_back(c);
    utf16.push_back('\0');
  }
  sal_uInt8 digest[RTL_DIGEST_LENGTH_MD5];
  rtl_digest_MD5(utf16.data(), static_cast<sal_uInt32>(utf16.size()), digest, sizeof digest);
  // Written the way the office writes it: each byte in hexadecimal without leading zeros.
  std::string hex;
  char buf[4];
  for (sal_uInt8 b : digest) {
    std::snprintf(buf, sizeof buf, "%x", static_cast<unsigned>(b));
    hex += buf;
  }
  return hex;
}

}  // namespace

std::string FileUrl(const std::string& path) {
  static const char* kHex = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : path) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       std::strchr("/-_.~", c) != nullptr;
    if (plain) {
      url.push_back(static_cast<char>(c));
    } else {
      url.push_back('%');
      url.push_back(kHex[c >> 4]);
      url.push_back(kHex[c & 15]);
    }
  }
  return url;
}

std::vector<std::string> QuietOfficeCommand(const std::string& soffice,
                                            const std::string& profile) {
  return {
      soffice,       "-env:UserInstallation=" + FileUrl(profile),
      "--headless",  "--invisible",
      "--nologo",    "--norestore",
      "--nodefault", "--nolockcheck",
  };
}

std::vector<std::string> OfficePipeFiles(const std::string& profileFolder,
                                         const std::string& pipe) {
  const std::string prefix = PipeFolder() + "/OSL_PIPE_" + std::to_string(getuid()) + "_";
  std::vector<std::string> files;
  if (!pipe.empty()) files.push_back(prefix + pipe);
  // The single-instance pipe is named after a digest of the profile's URL.
  files.push_back(prefix + "SingleOfficeIPC_" + Md5HexOfUtf16(FileUrl(profileFolder)));
  return files;
}

std::unique_ptr<OfficeProcess> OfficeProcess::Start(const OfficeSettings& settings,
                                                    std::string& error) {
  SweepLeftovers(settings.tempFolder);
  if (!EnsureProfileTemplate(settings, error)) return nullptr;

  std::string folder =
      settings.tempFolder + "/" + kProfilePrefix + std::to_string(getpid()) + "-XXXXXX";
  if (!mkdtemp(folder.data())) {
    error = "cannot make a profile folder in " + settings.tempFolder + ": " + std::strerror(errno);
    return nullptr;
  }
  std::unique_ptr<OfficeProcess> process(new OfficeProcess);
  process->binary_ = settings.soffice;
  process->profile_ = folder;
  process->pipe_ = settings.pipe;
  std::ofstream(folder + "/" + kPipeNoteFile) << settings.pipe << "\n";
  if (!CopyProfileTemplate(settings.profileTemplate, folder, error) || !process->Spawn(error)) {
    process->End(std::chrono::milliseconds(0));
    return nullptr;
  }
  return process;
}

bool OfficeProcess::Spawn(std::string& error) {
  // Everything the child needs is made before fork: after it, only calls that are safe in
  // a copy of a threaded process are made.
  std::vector<std::string> args = QuietOfficeCommand(binary_, profile_);
  args.push_back("--nofirststartwizard");
  args.push_back("--accept=pipe,name=" + pipe_ + ";urp;StarOffice.ComponentContext");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  // The office's temporary files go into its profile folder, which goes when it ends, also
  // when it has to be killed.
  const std::string temp = profile_ + "/tmp";
  mkdir(temp.c_str(), 0700);
  std::vector<std::string> environment = {"TMPDIR=" + temp};
  for (char** e = environ; *e; ++e) {
    if (std::strncmp(*e, "TMPDIR=", 7) != 0) environment.emplace_back(*e);
  }
  std::vector<char*> envp;
  for (auto& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  const pid_t parent = getpid();

  const pid_t pid = fork();
  if (pid < 0) {
    error = std::string("cannot start the office: ") + std::strerror(errno);
    return false;
  }
  if (pid == 0) {
    setsid();
    // The office goes when the thread that started it goes, even if the host is killed.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    signal(SIGCHLD, SIG_DFL);
    const int devnull = open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      dup2(devnull, 0);
      dup2(devnull, 1);
      dup2(devnull, 2);
    }
    close_range(3, ~0U, 0);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  pid_ = pid;
  reaped_ = false;
  return true;
}

bool OfficeProcess::Restart(std::string& error) {
  KillAndReap();
  // The profile stays: the office asked for the restart after setting it up.
  return Spawn(error);
}

bool OfficeProcess::HasExited(int* status) {
  const pid_t pid = pid_;
  if (reaped_ || pid <= 0) {
    if (status) *status = status_;
    return true;
  }
  siginfo_t info{};
  // Looked at without reaping: the group stays addressable until End has killed it.
  if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0) {
    if (info.si_pid == 0) return false;
    status_ = info.si_code == CLD_EXITED ? info.si_status : 128 + info.si_status;
    if (status) *status = status_;
    return true;
  }
  // Not our child any more (a host that reaps every child): ask the system.
  if (!ProcessGone(pid)) return false;
  if (status) *status = status_;
  return true;
}

void OfficeProcess::Kill() {
  const pid_t pid = pid_;
  if (pid > 0 && !reaped_) kill(-pid, SIGKILL);
}

void OfficeProcess::KillAndReap() {
  const pid_t pid = pid_;
  if (pid <= 0 || reaped_) return;
  // The leader is not reaped yet, so its group id still names this group only.
  kill(-pid, SIGKILL);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  reaped_ = true;
}

void OfficeProcess::End(std::chrono::milliseconds grace) {
  const auto until = std::chrono::steady_clock::now() + grace;
  while (!HasExited() && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  KillAndReap();
  if (!profile_.empty()) {
    for (const auto& file : OfficePipeFiles(profile_, pipe_)) unlink(file.c_str());
    std::error_code ec;
    fs::remove_all(profile_, ec);
    profile_.clear();
  }
}

OfficeProcess::~OfficeProcess() {
  End(std::chrono::milliseconds(0));
}

void SweepLeftovers(const std::string& tempFolder) {
  DIR* dir = opendir(tempFolder.c_str());
  if (!dir) return;
  const std::string prefix = kProfilePrefix;
  std::vector<std::string> gone;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    const pid_t owner = static_cast<pid_t>(std::atol(name.c_str() + prefix.size()));
    if (owner > 0 && owner != getpid() && ProcessGone(owner)) gone.push_back(name);
  }
  closedir(dir);
  for (const auto& name : gone) {
    const std::string folder = tempFolder + "/" + name;
    std::string pipe;
    std::ifstream(folder + "/" + kPipeNoteFile) >> pipe;
    for (const auto& file : OfficePipeFiles(folder, pipe)) unlink(file.c_str());
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
}

}  // namespace fv::office
