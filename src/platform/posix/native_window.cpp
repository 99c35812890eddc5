// The popup window on an X11 desktop: a borderless window kept above the others, painted
// through Xft into an off-screen buffer and copied to the screen in one step.
//
// The display is opened only when the window is first made, so a host that loads the
// library without a display (or never converts page by page) never talks to an X server.
// Every call into Xlib runs inside an ErrorTrap: a failed request or a server that went
// away must not end the host's process.
#include "platform/native_window.h"

#include <X11/Xatom.h>
#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fontconfig/fontconfig.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/posix/x11_canvas.h"
#include "platform/posix/x11_error_trap.h"

namespace fv::platform {
namespace {

using x11::ErrorTrap;

// How long Show waits for the window to be on the screen before it paints; a window
// that takes longer (or shows nowhere, being covered) is painted at the next dispatch.
constexpr std::chrono::milliseconds kExposeWait{1000};

// The _NET_WM_MOVERESIZE direction for a move with the mouse.
constexpr long kMoveWithMouse = 8;
// _NET_WM_MOVERESIZE's source indication: an ordinary application.
constexpr long kFromApplication = 1;

enum AtomIndex {
  kUtf8String,
  kNetWmName,
  kNetWmState,
  kNetWmStateAbove,
  kNetWmStateSkipTaskbar,
  kNetWmStateSkipPager,
  kNetWmWindowType,
  kNetWmWindowTypeUtility,
  kNetWmWindowTypeNormal,
  kNetWmWindowOpacity,
  kNetWmMoveResize,
  kNetWmPid,
  kNetSupportingWmCheck,
  kMotifWmHints,
  kWmProtocols,
  kWmDeleteWindow,
  kAtomCount
};

const char* const kAtomNames[kAtomCount] = {
    "UTF8_STRING",
    "_NET_WM_NAME",
    "_NET_WM_STATE",
    "_NET_WM_STATE_ABOVE",
    "_NET_WM_STATE_SKIP_TASKBAR",
    "_NET_WM_STATE_SKIP_PAGER",
    "_NET_WM_WINDOW_TYPE",
    "_NET_WM_WINDOW_TYPE_UTILITY",
    "_NET_WM_WINDOW_TYPE_NORMAL",
    "_NET_WM_WINDOW_OPACITY",
    "_NET_WM_MOVERESIZE",
    "_NET_WM_PID",
    "_NET_SUPPORTING_WM_CHECK",
    "_MOTIF_WM_HINTS",
    "WM_PROTOCOLS",
    "WM_DELETE_WINDOW",
};

// Wide characters (East Asian wide and full-width) take a whole cell, others half.
bool IsWide(FcChar32 c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// What a text measures in the character cells of a CJK screen font, where a wide
// character is as wide as the font is high and every other one half that.
PixelSize CellSize(std::string_view text, int height) {
  const auto* p = reinterpret_cast<const FcChar8*>(text.data());
  int left = static_cast<int>(text.size());
  int width = 0;
  while (left > 0) {
    FcChar32 c = 0;
    int used = FcUtf8ToUcs4(p, &c, left);
    if (used <= 0) {
      c = '?';  // a byte that starts no character still takes a cell
      used = 1;
    }
    width += IsWide(c) ? height : height / 2;
    p += used;
    left -= used;
  }
  return {width, height};
}

class X11PopupWindow;

std::vector<X11PopupWindow*>& LiveWindows() {
  static std::vector<X11PopupWindow*> windows;
  return windows;
}

class X11PopupWindow final : public NativeWindow {
 public:
  X11PopupWindow(const PopupWindowOptions& options, NativeWindowClient& client)
      : options_(options), client_(client) {
    LiveWindows().push_back(this);
  }

  ~X11PopupWindow() override {
    auto& live = LiveWindows();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    if (!display_) return;
    {
      // On a lost connection Xlib drops these requests and only frees its own memory.
      ErrorTrap trap(display_);
      fonts_.reset();
      if (draw_) XftDrawDestroy(draw_);
      if (gc_) XFreeGC(display_, gc_);
      if (buffer_) XFreePixmap(display_, buffer_);
      if (window_) XDestroyWindow(display_, window_);
    }
    x11::CloseDisplay(display_);
  }

  bool Create() override {
    if (display_) return Usable();
    if (triedToOpen_) return false;
    triedToOpen_ = true;
    display_ = x11::OpenDisplay();
    if (!display_) return false;
    ErrorTrap trap(display_);
    screen_ = DefaultScreen(display_);
    XInternAtoms(display_, const_cast<char**>(kAtomNames), kAtomCount, False, atoms_);
    MakeWindow();
    return Usable();
  }

  void Show() override {
    if (!Create()) return;
    ErrorTrap trap(display_);
    // Centred every time it shows, as the desktop may have changed or the user moved it.
    const int x = (DisplayWidth(display_, screen_) - options_.width) / 2;
    const int y = (DisplayHeight(display_, screen_) - options_.height) / 2;
    XMoveWindow(display_, window_, x, y);
    SetSizeHints(x, y);
    // A window manager drops the state when the window is withdrawn: give it again.
    SetWindowState();
    XMapRaised(display_, window_);
    shown_ = true;
    WaitUntilExposed();
    if (mapped_) Paint();
  }

  void Hide() override {
    if (!Usable() || !shown_) return;
    ErrorTrap trap(display_);
    XWithdrawWindow(display_, window_, screen_);
    shown_ = false;
    mapped_ = false;
  }

  void Invalidate() override { dirty_ = true; }

  void Update() override {
    if (!Usable() || !mapped_) {
      dirty_ = true;
      return;
    }
    ErrorTrap trap(display_);
    Paint();
  }

  void BeginMouseMove() override {
    if (!Usable() || !pressed_) return;
    ErrorTrap trap(display_);
    // The press grabbed the pointer for us; the window manager can only take it over
    // once we let go.
    XUngrabPointer(display_, CurrentTime);
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = window_;
    message.xclient.message_type = atoms_[kNetWmMoveResize];
    message.xclient.format = 32;
    message.xclient.data.l[0] = press_.x_root;
    message.xclient.data.l[1] = press_.y_root;
    message.xclient.data.l[2] = kMoveWithMouse;
    message.xclient.data.l[3] = static_cast<long>(press_.button);
    message.xclient.data.l[4] = kFromApplication;
    XSendEvent(display_, RootWindow(display_, screen_), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &message);
    XFlush(display_);
  }

  PixelSize MeasureText(std::string_view text, const FontSpec& font) override {
    if (!Usable()) return CellSize(text, font.height);
    ErrorTrap trap(display_);
    return fonts_->Measure(text, font);
  }

  // Handles the events that have arrived so far, then paints when something asked for it.
  void DispatchEvents() {
    if (!Usable()) return;
    ErrorTrap trap(display_);
    // Only what is queued now: a flood of events cannot keep the caller here.
    for (int pending = XEventsQueued(display_, QueuedAfterFlush); pending > 0 && Usable();
         --pending) {
      XEvent event;
      XNextEvent(display_, &event);
      Handle(event);
    }
    if (Usable() && dirty_ && mapped_) Paint();
  }

 private:
  bool Usable() const { return display_ && window_ && !x11::ConnectionLost(display_); }

  void MakeWindow() {
    const Window root = RootWindow(display_, screen_);
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;  // no flash of another colour before the paint
    // No backing store: the server sends no visibility events for a window whose contents
    // it keeps, and without a window manager those are what keep the window on top.
    attributes.border_pixel = 0;
    attributes.event_mask =
        ExposureMask | ButtonPressMask | StructureNotifyMask | VisibilityChangeMask;
    window_ =
        XCreateWindow(display_, root, 0, 0, static_cast<unsigned>(options_.width),
                      static_cast<unsigned>(options_.height), 0, CopyFromParent, InputOutput,
                      CopyFromParent, CWBackPixmap | CWBorderPixel | CWEventMask, &attributes);
    if (!window_) return;
    SetIdentity();
    SetDecorationsAndType();
    SetSizeHints(0, 0);

    const int depth = DefaultDepth(display_, screen_);
    buffer_ = XCreatePixmap(display_, window_, static_cast<unsigned>(options_.width),
                            static_cast<unsigned>(options_.height), static_cast<unsigned>(depth));
    XGCValues values{};
    values.graphics_exposures = False;
    gc_ = XCreateGC(display_, window_, GCGraphicsExposures, &values);
    draw_ = XftDrawCreate(display_, buffer_, DefaultVisual(display_, screen_),
                          DefaultColormap(display_, screen_));
    fonts_ = std::make_unique<x11::FontSet>(display_, screen_);
  }

  void SetIdentity() {
    const auto* title = reinterpret_cast<const unsigned char*>(options_.title.c_str());
    const int length = static_cast<int>(options_.title.size());
    XChangeProperty(display_, window_, atoms_[kNetWmName], atoms_[kUtf8String], 8, PropModeReplace,
                    title, length);
    XChangeProperty(display_, window_, XA_WM_NAME, atoms_[kUtf8String], 8, PropModeReplace, title,
                    length);
    char name[] = "folivex-progress";
    char className[] = "Folivex";
    XClassHint classHint{name, className};
    XSetClassHint(display_, window_, &classHint);
    const long pid = getpid();
    XChangeProperty(display_, window_, atoms_[kNetWmPid], XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    // A close request from the window manager is answered by nothing: the window lives
    // as long as the library, and only the conversion hides it.
    Atom protocols[] = {atoms_[kWmDeleteWindow]};
    XSetWMProtocols(display_, window_, protocols, 1);
  }

  void SetDecorationsAndType() {
    // The Motif hints are what window managers read for "no frame, no caption".
    const long motifHints[5] = {2 /* decorations given */, 0, 0 /* none */, 0, 0};
    XChangeProperty(display_, window_, atoms_[kMotifWmHints], atoms_[kMotifWmHints], 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(motifHints), 5);
    const long types[] = {static_cast<long>(atoms_[kNetWmWindowTypeUtility]),
                          static_cast<long>(atoms_[kNetWmWindowTypeNormal])};
    XChangeProperty(display_, window_, atoms_[kNetWmWindowType], XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(types), 2);
    const long opacity = static_cast<long>(0x01010101UL * options_.alpha);
    XChangeProperty(display_, window_, atoms_[kNetWmWindowOpacity], XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&opacity), 1);
    // The window only shows progress: it takes no keyboard focus from the host.
    XWMHints hints{};
    hints.flags = InputHint | StateHint;
    hints.input = False;
    hints.initial_state = NormalState;
    XSetWMHints(display_, window_, &hints);
  }

  void SetWindowState() {
    const long state[] = {static_cast<long>(atoms_[kNetWmStateAbove]),
                          static_cast<long>(atoms_[kNetWmStateSkipTaskbar]),
                          static_cast<long>(atoms_[kNetWmStateSkipPager])};
    XChangeProperty(display_, window_, atoms_[kNetWmState], XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(state), 3);
  }

  void SetSizeHints(int x, int y) {
    XSizeHints* hints = XAllocSizeHints();
    if (!hints) return;
    hints->flags = USPosition | PPosition | PMinSize | PMaxSize;
    hints->x = x;
    hints->y = y;
    hints->min_width = hints->max_width = options_.width;
    hints->min_height = hints->max_height = options_.height;
    XSetWMNormalHints(display_, window_, hints);
    XFree(hints);
  }

  // Waits, bounded, for the first Expose: only then is the window on the screen, also
  // when a window manager maps the frame around it after the window itself. Other events
  // stay queued for the next dispatch.
  void WaitUntilExposed() {
    const auto deadline = std::chrono::steady_clock::now() + kExposeWait;
    XEvent event;
    while (Usable()) {
      XFlush(display_);
      if (XCheckTypedWindowEvent(display_, window_, Expose, &event)) {
        mapped_ = true;
        break;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd connection{ConnectionNumber(display_), POLLIN, 0};
      if (poll(&connection, 1, static_cast<int>(left.count())) > 0) {
        XEventsQueued(display_, QueuedAfterReading);
      }
    }
  }

  void Handle(const XEvent& event) {
    switch (event.type) {
      case Expose:
        if (event.xexpose.count == 0) dirty_ = true;
        break;
      case MapNotify:
        mapped_ = shown_;  // a late one may come after Hide
        dirty_ = true;
        break;
      case UnmapNotify:
        mapped_ = false;
        break;
      case VisibilityNotify:
        // A window manager keeps the window above others for us; without one it climbs
        // back on top itself whenever another window covers it.
        if (shown_ && event.xvisibility.state != VisibilityUnobscured && !WindowManagerRuns()) {
          XRaiseWindow(display_, window_);
        }
        break;
      case ButtonPress:
        HandlePress(event.xbutton);
        break;
      default:
        break;
    }
  }

  void HandlePress(const XButtonEvent& press) {
    MouseButton button;
    switch (press.button) {
      case Button1:
        button = MouseButton::kLeft;
        break;
      case Button2:
        button = MouseButton::kMiddle;
        break;
      case Button3:
        button = MouseButton::kRight;
        break;
      case 8:
      case 9:
        button = MouseButton::kExtra;
        break;
      default:
        return;  // buttons 4 to 7 are the wheel's turns, not presses
    }
    ShiftState shift;
    shift.shift = press.state & ShiftMask;
    shift.control = press.state & ControlMask;
    shift.alt = press.state & Mod1Mask;
    shift.left = button == MouseButton::kLeft || (press.state & Button1Mask);
    shift.middle = button == MouseButton::kMiddle || (press.state & Button2Mask);
    shift.right = button == MouseButton::kRight || (press.state & Button3Mask);
    press_ = press;
    pressed_ = true;
    client_.WindowMouseDown(button, shift, press.x, press.y);
    pressed_ = false;
  }

  // Whether a window manager that follows the extended hints manages the screen.
  bool WindowManagerRuns() {
    const Window root = RootWindow(display_, screen_);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(display_, root, atoms_[kNetSupportingWmCheck], 0, 1, False, XA_WINDOW,
                           &type, &format, &count, &after, &data) == Success &&
        data) {
      found = type == XA_WINDOW && count == 1;
      XFree(data);
    }
    return found;
  }

  void Paint() {
    x11::XftCanvas canvas(display_, draw_, *fonts_);
    client_.PaintWindow(canvas);
    XCopyArea(display_, buffer_, window_, gc_, 0, 0, static_cast<unsigned>(options_.width),
              static_cast<unsigned>(options_.height), 0, 0);
    XFlush(display_);
    dirty_ = false;
  }

  const PopupWindowOptions options_;
  NativeWindowClient& client_;
  Display* display_ = nullptr;
  int screen_ = 0;
  bool triedToOpen_ = false;
  Atom atoms_[kAtomCount] = {};
  Window window_ = 0;
  Pixmap buffer_ = 0;
  GC gc_ = nullptr;
  XftDraw* draw_ = nullptr;
  std::unique_ptr<x11::FontSet> fonts_;
  bool shown_ = false;   // asked to show and not hidden since
  bool mapped_ = false;  // on the screen
  bool dirty_ = false;
  bool pressed_ = false;  // inside the handling of press_
  XButtonEvent press_{};
};

}  // namespace

std::unique_ptr<NativeWindow> CreatePopupWindow(const PopupWindowOptions& options,
                                                NativeWindowClient& client) {
  return std::make_unique<X11PopupWindow>(options, client);
}

void DispatchWindowEvents() {
  // A handler may destroy a window: walk a copy and skip the ones that are gone.
  const std::vector<X11PopupWindow*> windows = LiveWindows();
  for (X11PopupWindow* window : windows) {
    const auto& live = LiveWindows();
    if (std::find(live.begin(), live.end(), window) != live.end()) window->DispatchEvents();
  }
}

}  // namespace fv::platform
