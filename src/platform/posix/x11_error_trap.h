// Keeps the X library's process-wide error handling away from the host while the library
// talks to the X server: a failed request is dropped instead of ending the process, and a
// lost connection marks the display as lost instead of calling exit().
#pragma once

#include <X11/Xlib.h>

namespace fv::platform::x11 {

// Opens the display named by DISPLAY; null without one or when it cannot be opened. The
// connection's loss later only marks it lost (see ConnectionLost).
Display* OpenDisplay();
// Whether the connection to `display` broke; it can then only be closed.
bool ConnectionLost(Display* display);
// Closes the display and forgets about it, lost or not.
void CloseDisplay(Display* display);

// Installs handlers that swallow protocol and I/O errors for the scope's lifetime and
// restores the ones it found. With a display, its end waits until the server has handled every
// request sent meanwhile, so that their errors land here and not in the host's handler. Scopes may
// nest.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display);
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

 private:
  Display* display_;
  XErrorHandler previousError_;
  XIOErrorHandler previousIoError_;
};

}  // namespace fv::platform::x11
