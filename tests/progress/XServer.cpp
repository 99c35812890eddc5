#include "XServer.h"

#include <X11/Xatom.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

namespace fv::testing {
namespace {

// Stops a child: SIGTERM, then SIGKILL when it has not gone within two seconds.
void Stop(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    usleep(20000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

// Spawns `arguments` with DISPLAY set to `display` (unset when empty) and its output sent
// to /dev/null. The child dies with the test process, should that end without cleaning up.
pid_t Spawn(const std::string& display, const char* const* arguments) {
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid != 0) return pid;
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(127);
  const int null = open("/dev/null", O_WRONLY);
  dup2(null, 1);
  dup2(null, 2);
  if (display.empty()) {
    unsetenv("DISPLAY");
  } else {
    setenv("DISPLAY", display.c_str(), 1);
  }
  execvp(arguments[0], const_cast<char* const*>(arguments));
  _exit(127);
}

}  // namespace

XServer::XServer() {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return;
  const std::string fd = std::to_string(pipeEnds[1]);
  const char* arguments[] = {"Xvfb",        "-displayfd", fd.c_str(), "-screen",  "0",
                             "1024x768x24", "-nolisten",  "tcp",      "-noreset", nullptr};
  server_ = Spawn("", arguments);
  close(pipeEnds[1]);
  // Xvfb writes the display number it took once it accepts connections.
  std::string number;
  pollfd reader{pipeEnds[0], POLLIN, 0};
  while (poll(&reader, 1, 10000) > 0) {
    char c;
    if (read(pipeEnds[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  close(pipeEnds[0]);
  if (server_ <= 0 || number.empty()) return;
  name_ = ":" + number;
  display_ = XOpenDisplay(name_.c_str());
}

XServer::~XServer() {
  if (display_) XCloseDisplay(display_);
  Stop(windowManager_);
  Stop(server_);
  if (!configFile_.empty()) std::remove(configFile_.c_str());
}

bool XServer::StartWindowManager() {
  if (!display_) return false;
  char path[] = "/tmp/folivex-fvwm-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return false;
  close(fd);
  configFile_ = path;
  // Frames and captions for ordinary windows, and what most window managers do by
  // default: honour the Motif hints of a window that asks for no frame and the layer a
  // window asks for. Moves are opaque: an outline move would grab the server, and the
  // mouse driven from another client could then never end it.
  std::ofstream(configFile_) << "Style * MwmDecor, MwmFunctions, EWMHUseStackingOrderHints\n"
                                "OpaqueMoveSize unlimited\n";
  const char* arguments[] = {"fvwm", "-f", configFile_.c_str(), nullptr};
  windowManager_ = Spawn(name_, arguments);
  if (windowManager_ <= 0) return false;
  const Atom check = XInternAtom(display_, "_NET_SUPPORTING_WM_CHECK", False);
  return WaitFor([&] {
           if (waitpid(windowManager_, nullptr, WNOHANG) == windowManager_) {
             windowManager_ = -1;  // not installed, or it gave up
             return true;
           }
           Atom type = None;
           int format = 0;
           unsigned long count = 0, after = 0;
           unsigned char* data = nullptr;
           XGetWindowProperty(display_, DefaultRootWindow(display_), check, 0, 1, False, XA_WINDOW,
                              &type, &format, &count, &after, &data);
           if (data) XFree(data);
           return count == 1;
         }) &&
         windowManager_ > 0;
}

void XServer::Kill() {
  if (server_ > 0) {
    kill(server_, SIGKILL);
    waitpid(server_, nullptr, 0);
    server_ = -1;
  }
  Stop(windowManager_);
  windowManager_ = -1;
  display_ = nullptr;  // closing it would touch a dead connection
}

int RunProgram(const std::string& display, const char* const* arguments) {
  const pid_t pid = Spawn(display, arguments);
  if (pid <= 0) return -1;
  int status = 0;
  const bool ended = WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 10.0);
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace fv::testing
