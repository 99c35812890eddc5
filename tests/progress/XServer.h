// An Xvfb of the test's own, on a display number the server picks itself, optionally
// with a window manager; both are stopped by process id when the object goes.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <string>

namespace fv::testing {

class XServer {
 public:
  // Starts Xvfb with one 1024x768 screen of 24 bits; Running() says whether it came up.
  XServer();
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  bool Running() const { return display_ != nullptr; }
  // ":N", for DISPLAY.
  const std::string& Name() const { return name_; }
  // The test's own connection, for looking at the screen.
  Display* Connection() const { return display_; }

  // Starts fvwm and waits until it manages the screen. False when fvwm is not installed
  // or did not come up.
  bool StartWindowManager();
  // Ends the server at once, as a crash would; the connection is dropped unclosed.
  void Kill();

 private:
  pid_t server_ = -1;
  pid_t windowManager_ = -1;
  std::string name_;
  std::string configFile_;
  Display* display_ = nullptr;
};

// Waits up to `seconds` for `done`, checking every 20 ms; returns whether it came true.
template <typename Done>
bool WaitFor(Done done, double seconds = 5.0);

// Runs a program with arguments, DISPLAY set to `display`, for up to ten seconds; returns
// its exit code, or -1 when it could not start, failed to end in time or was killed.
int RunProgram(const std::string& display, const char* const* arguments);

}  // namespace fv::testing

#include <chrono>
#include <thread>

template <typename Done>
bool fv::testing::WaitFor(Done done, double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}
