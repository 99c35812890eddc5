#include "platform/posix/x11_error_trap.h"

#include <X11/extensions/Xrender.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace fv::platform::x11 {
namespace {

// The displays whose connection broke; Xlib gives no way to ask.
std::vector<Display*>& LostDisplays() {
  static std::vector<Display*> lost;
  return lost;
}

int IgnoreError(Display*, XErrorEvent*) {
  return 0;
}

// Xlib calls the exit handler after this one; that handler marks the display lost.
int IgnoreIoError(Display*) {
  return 0;
}

void MarkLost(Display* display, void*) {
  if (!ConnectionLost(display)) LostDisplays().push_back(display);
}

}  // namespace

Display* OpenDisplay() {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) return nullptr;
  Display* display = XOpenDisplay(name);
  if (!display) return nullptr;
  XSetIOErrorExitHandler(display, &MarkLost, nullptr);
  // Xlib calls the closing hooks of a display's extensions newest first. Xft's hook frees
  // its pictures through Render, so Render must be the older of the two: otherwise Render
  // forgets the display first, and the pictures' release adds it back for a display that
  // is then freed, to be found later by any display that comes at the same address.
  int eventBase = 0, errorBase = 0;
  XRenderQueryExtension(display, &eventBase, &errorBase);
  return display;
}

bool ConnectionLost(Display* display) {
  const auto& lost = LostDisplays();
  return std::find(lost.begin(), lost.end(), display) != lost.end();
}

void CloseDisplay(Display* display) {
  {
    ErrorTrap trap(nullptr);  // XCloseDisplay waits for the server itself
    XCloseDisplay(display);
  }
  auto& lost = LostDisplays();
  lost.erase(std::remove(lost.begin(), lost.end(), display), lost.end());
}

ErrorTrap::ErrorTrap(Display* display)
    : display_(display),
      previousError_(XSetErrorHandler(&IgnoreError)),
      previousIoError_(XSetIOErrorHandler(&IgnoreIoError)) {}

ErrorTrap::~ErrorTrap() {
  if (display_ && !ConnectionLost(display_)) XSync(display_, False);
  XSetErrorHandler(previousError_);
  XSetIOErrorHandler(previousIoError_);
}

}  // namespace fv::platform::x11
