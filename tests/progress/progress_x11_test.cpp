// The progress window on a real X server (an Xvfb of the test's own), with and without a
// window manager: where it shows, what its pixels are, that it stays above a normal
// window without decoration, that a press on its background moves it, and that a server
// that goes away does not take the host with it. X11 only: these tests need Xvfb, and fvwm
// for the window-manager half (skipped, saying so, where it is not installed).
// GoogleTest goes before Xlib, whose macros None and Bool would break it.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fontconfig/fontconfig.h>
#include <stdlib.h>

#include <optional>
#include <string>
#include <vector>

#include "Captured.h"
#include "XServer.h"
#include "controller/UnitFolivex.h"
#include "platform/message_pump.h"
#include "platform/posix/x11_canvas.h"
#include "platform/posix/x11_error_trap.h"
#include "progress/UnitProgress.h"

namespace fv::progress {
namespace {

using testing::Captured;
using testing::RunProgram;
using testing::WaitFor;
using testing::XServer;

const std::string kTitle = "正在导入Word文件...";
constexpr int kWidth = 466, kHeight = 117;

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "rgb(" << c.r << ", " << c.g << ", " << c.b << ")";
}
// A colour as the host gives it: 0x00BBGGRR.
constexpr Rgb FromColor(TColor c) {
  return {c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF};
}

constexpr Rgb kPanel{219, 215, 214};
constexpr Rgb kWhite{255, 255, 255}, kBlack{0, 0, 0}, kGrey{128, 128, 128};
constexpr Rgb kBlue{0, 0, 255};

struct Geometry {
  int x, y, width, height;
};

// Where the two visible labels' text lies, with room for fonts wider than the design's.
constexpr Geometry kTotalPageArea{16, 22, 90, 18}, kCurProgressArea{16, 46, 110, 18};

// What is on the screen in a rectangle of the root window.
class Screenshot {
 public:
  Screenshot(Display* display, Geometry area) : area_(area) {
    image_ = XGetImage(display, DefaultRootWindow(display), area.x, area.y,
                       static_cast<unsigned>(area.width), static_cast<unsigned>(area.height),
                       AllPlanes, ZPixmap);
  }
  ~Screenshot() {
    if (image_) XDestroyImage(image_);
  }
  Screenshot(const Screenshot&) = delete;
  Screenshot& operator=(const Screenshot&) = delete;

  bool Taken() const { return image_ != nullptr; }
  // The pixel at (x, y) of the area, on the 24-bit TrueColor screen of Xvfb.
  Rgb At(int x, int y) const {
    const unsigned long p = XGetPixel(image_, x, y);
    return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
            static_cast<int>(p & 0xFF)};
  }
  int Count(Geometry part, Rgb color) const {
    return CountIf(part, [&](Rgb p) { return p == color; });
  }
  // Pixels of text in `ink` on `paper`: anti-aliased glyphs blend the two, so a pixel
  // counts when it lies much nearer to the ink than to the paper.
  int CountInk(Geometry part, Rgb ink, Rgb paper) const {
    const auto distance = [](Rgb a, Rgb b) {
      return (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
    };
    return CountIf(part, [&](Rgb p) { return 4 * distance(p, ink) < distance(p, paper); });
  }

 private:
  template <typename Test>
  int CountIf(Geometry part, Test test) const {
    int n = 0;
    for (int y = part.y; y < part.y + part.height; ++y) {
      for (int x = part.x; x < part.x + part.width; ++x) n += test(At(x, y));
    }
    return n;
  }

  Geometry area_;
  XImage* image_ = nullptr;
};

// A fresh Xvfb, the controller with its progress window, and the test's own look at the
// screen. Without a window manager unless a subclass says otherwise.
class ProgressOnXServer : public ::testing::Test {
 protected:
  virtual bool WithWindowManager() const { return false; }

  void SetUp() override {
    ASSERT_TRUE(server.Running()) << "Xvfb did not start";
    display = server.Connection();
    if (WithWindowManager() && !server.StartWindowManager()) {
      GTEST_SKIP() << "fvwm is not installed or did not start: no window manager to test with";
    }
    setenv("DISPLAY", server.Name().c_str(), 1);
    folivex.emplace();
    form = frmProgress;
  }
  void TearDown() override {
    folivex.reset();
    unsetenv("DISPLAY");
  }

  Atom Intern(const char* name) { return XInternAtom(display, name, False); }

  std::vector<long> Property(Window window, const char* name, Atom type) {
    Atom actual = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<long> values;
    if (XGetWindowProperty(display, window, Intern(name), 0, 64, False, type, &actual, &format,
                           &count, &after, &data) == Success &&
        data) {
      const long* longs = reinterpret_cast<const long*>(data);
      if (format == 32) values.assign(longs, longs + count);
      XFree(data);
    }
    return values;
  }

  std::string Name(Window window) {
    Atom actual = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(display, window, Intern("_NET_WM_NAME"), 0, 256, False,
                           Intern("UTF8_STRING"), &actual, &format, &count, &after,
                           &data) == Success &&
        data) {
      name.assign(reinterpret_cast<const char*>(data), count);
      XFree(data);
    }
    return name;
  }

  std::vector<Window> Children(Window window) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    std::vector<Window> list;
    if (XQueryTree(display, window, &root, &parent, &children, &count) && children) {
      list.assign(children, children + count);
      XFree(children);
    }
    return list;  // bottom to top
  }

  Window ParentOf(Window window) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) && children) {
      XFree(children);
    }
    return parent;
  }

  // The window titled `title` anywhere below `from`, or None.
  Window Find(const std::string& title, Window from = 0) {
    if (!from) from = DefaultRootWindow(display);
    for (Window child : Children(from)) {
      if (Name(child) == title) return child;
      if (Window found = Find(title, child)) return found;
    }
    return None;
  }

  // The window itself or the frame a window manager put around it: the child of the root.
  Window TopLevel(Window window) {
    const Window root = DefaultRootWindow(display);
    while (window) {
      const Window parent = ParentOf(window);
      if (parent == root || !parent) return window;
      window = parent;
    }
    return window;
  }

  Geometry OnScreen(Window window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    return {x, y, attributes.width, attributes.height};
  }

  bool Viewable(Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
  }

  // Pumps the conversion's messages until `done`, for up to `seconds`.
  template <typename Done>
  bool PumpUntil(Done done, double seconds = 3.0) {
    return WaitFor(
        [&] {
          platform::ProcessPendingMessages();
          XSync(display, False);
          return done();
        },
        seconds);
  }

  // Where the window shows, once it is painted; fails the test when it does not show.
  Window ShownWindow() {
    Window window = None;
    PumpUntil([&] {
      if ((window = Find(kTitle)) == None || !Viewable(window)) return false;
      const Geometry where = OnScreen(window);
      const Screenshot corner(display, {where.x, where.y, 1, 1});
      return corner.Taken() && corner.At(0, 0) == kWhite;  // the panel's bevel
    });
    EXPECT_NE(window, None) << "the progress window is not on the screen";
    return window;
  }

  // The steps of a per-page conversion of `pages` pages up to `upTo`, as the driver takes
  // them: show, page count, repaint, then per page the pump and the gauge.
  void ConvertPages(int pages, int upTo) {
    form->Show();
    form->SetLabelCaption(form->lbTotalPage, form->lbTotalPage->Caption() + std::to_string(pages));
    form->Refresh();
    for (int page = 1; page <= upTo; ++page) {
      platform::ProcessPendingMessages();
      form->SetGaugeProgress(form->ggCurrent, form->ggCurrent->Progress() + 100 / pages);
    }
  }

  // Checks the bar along a row above the percentage text: `value` percent of the inner
  // width in `bar`, the rest in `back`.
  void ExpectGauge(const Screenshot& shot, int value, Rgb bar, Rgb back) {
    const int done = 431 * value / 100;
    int wrong = 0;
    for (int x = 17; x < 17 + 431; ++x) {
      const Rgb expected = x < 17 + done ? bar : back;
      if (!(shot.At(x, 74) == expected) && ++wrong <= 3) {
        ADD_FAILURE() << "gauge at x " << x << ": " << shot.At(x, 74) << ", expected " << expected;
      }
    }
    EXPECT_EQ(wrong, 0) << "value " << value;
    EXPECT_EQ(shot.At(16, 72), kBlack) << "the gauge's border";
    EXPECT_EQ(shot.At(448, 96), kBlack) << "the gauge's border";
  }

  XServer server;
  Display* display = nullptr;
  std::optional<controller::TFolivex> folivex;
  TfrmProgress* form = nullptr;
};

// The same, with and without a window manager.
class ProgressOnScreen : public ProgressOnXServer, public ::testing::WithParamInterface<bool> {
 protected:
  bool WithWindowManager() const override { return GetParam(); }
};

TEST_P(ProgressOnScreen, ShowsDuringAPerPageConversion) {
  // The open step writes the hidden labels and repaints: the window is not shown yet, and
  // nothing has been put on the desktop.
  form->SetLabelCaption(form->lbPath, form->lbPath->Caption() + "/docs/");
  form->SetLabelCaption(form->lbFileName, form->lbFileName->Caption() + "a.doc");
  form->Refresh();
  EXPECT_EQ(Find(kTitle), None);

  ConvertPages(12, 6);  // the gauge stands at 48
  const Window window = ShownWindow();
  ASSERT_NE(window, None);

  const Geometry where = OnScreen(window);
  EXPECT_EQ(where.width, kWidth);
  EXPECT_EQ(where.height, kHeight);
  EXPECT_EQ(where.x, (1024 - kWidth) / 2) << "centred on the screen";
  EXPECT_EQ(where.y, (768 - kHeight) / 2) << "centred on the screen";
  const std::vector<long> opacity = Property(window, "_NET_WM_WINDOW_OPACITY", XA_CARDINAL);
  ASSERT_EQ(opacity.size(), 1u);
  EXPECT_EQ(static_cast<uint32_t>(opacity[0]), 0xDADADADAu) << "alpha 218 of 255";
  const std::vector<long> state = Property(window, "_NET_WM_STATE", XA_ATOM);
  EXPECT_NE(std::find(state.begin(), state.end(), Intern("_NET_WM_STATE_ABOVE")), state.end());

  {
    const Screenshot shot(display, where);
    ASSERT_TRUE(shot.Taken());
    if (const char* path = getenv("FOLIVEX_PROGRESS_SCREENSHOT")) {
      const std::string crop = std::to_string(kWidth + 16) + "x" + std::to_string(kHeight + 16) +
                               "+" + std::to_string(where.x - 8) + "+" +
                               std::to_string(where.y - 8);
      const char* arguments[] = {"import",     "-window", "root", "-crop",
                                 crop.c_str(), "+repage", path,   nullptr};
      EXPECT_EQ(RunProgram(server.Name(), arguments), 0) << "screenshot to " << path;
    }
    // The panel with its raised outer and lowered inner bevel.
    EXPECT_EQ(shot.At(300, 30), kPanel);
    EXPECT_EQ(shot.At(0, 0), kWhite);
    EXPECT_EQ(shot.At(465, 116), kGrey);
    EXPECT_EQ(shot.At(1, 1), kGrey);
    EXPECT_EQ(shot.At(464, 115), kWhite);
    ExpectGauge(shot, 48, kBlue, kWhite);
    // The visible labels' text in black; the hidden ones leave the gauge under them alone.
    EXPECT_GT(shot.CountInk(kTotalPageArea, kBlack, kPanel), 30) << "总页数：12";
    EXPECT_GT(shot.CountInk(kCurProgressArea, kBlack, kPanel), 30) << "当前转换进度：";
    EXPECT_EQ(shot.Count({296, 80, 150, 12}, kWhite), 150 * 12) << "hidden labels show nothing";
    // The percentage, centred: white on the bar, black beside it.
    EXPECT_GT(shot.CountInk({200, 76, 23, 18}, kWhite, kBlue), 5) << "48% on the bar";
    EXPECT_GT(shot.CountInk({223, 76, 43, 18}, kBlack, kWhite), 10) << "48% beside the bar";
    EXPECT_EQ(shot.CountInk({17, 76, 150, 18}, kWhite, kBlue) +
                  shot.CountInk({300, 76, 147, 18}, kBlack, kWhite),
              0)
        << "nothing else on the gauge";
  }

  // The host's colours show at once, the panel keeps its own, the window's lies under it.
  const TColor green = 0x00A000, yellow = 0x00FFFF, darkRed = 0x0000C0;
  folivex->SetProgressStyle(0x0000FF, yellow, green, darkRed);
  {
    const Screenshot shot(display, where);
    ExpectGauge(shot, 48, FromColor(green), FromColor(yellow));
    EXPECT_EQ(shot.At(300, 30), kPanel);
    EXPECT_EQ(shot.Count({0, 0, kWidth, kHeight}, FromColor(0x0000FF)), 0);
    EXPECT_GT(shot.CountInk(kTotalPageArea, FromColor(darkRed), kPanel), 30) << "labels in red";
    EXPECT_GT(shot.CountInk(kCurProgressArea, FromColor(darkRed), kPanel), 30);
    EXPECT_EQ(shot.CountInk(kTotalPageArea, kBlack, FromColor(darkRed)), 0) << "none in black";
  }
  folivex->SetProgressStyle(0x0000FF, 0xFFFFFF, 0xFF0000, 0x000000);
  form->SetGaugeProgress(form->ggCurrent, 150);
  {
    const Screenshot shot(display, where);
    ExpectGauge(shot, 100, kBlue, kWhite);
    EXPECT_EQ(shot.Count({0, 0, kWidth, kHeight}, FromColor(0x0000FF)), 0) << "red stays hidden";
    EXPECT_GT(shot.CountInk(kTotalPageArea, kBlack, kPanel), 30);
  }

  // The end of the page loop hides it.
  form->Hide();
  EXPECT_TRUE(PumpUntil([&] { return !Viewable(window); }));
}

TEST_P(ProgressOnScreen, StaysAboveANormalWindowWithoutDecoration) {
  ConvertPages(4, 1);
  const Window window = ShownWindow();
  ASSERT_NE(window, None);
  const Geometry where = OnScreen(window);

  // A normal window over the same place, mapped after the progress window.
  const Rgb magenta{255, 0, 255};
  const Window root = DefaultRootWindow(display);
  const Window normal =
      XCreateSimpleWindow(display, root, where.x - 40, where.y - 30, 300, 120, 0, 0, 0xFF00FF);
  XStoreName(display, normal, "a normal window");
  XMapRaised(display, normal);
  XSync(display, False);
  ASSERT_TRUE(PumpUntil([&] { return Viewable(normal); }));

  // The progress window is on top where they overlap, also after the pump ran again.
  EXPECT_TRUE(PumpUntil([&] {
    const Screenshot shot(display, where);
    return shot.At(100, 30) == kPanel;
  })) << "the normal window covers the progress window";
  const std::vector<Window> stack = Children(root);
  const auto position = [&](Window w) {
    return std::find(stack.begin(), stack.end(), TopLevel(w)) - stack.begin();
  };
  EXPECT_GT(position(window), position(normal)) << "stacked above the normal window";
  {
    const Geometry uncovered = OnScreen(normal);
    const Screenshot shot(display, {uncovered.x, uncovered.y, 10, 10});
    EXPECT_EQ(shot.At(5, 5), magenta) << "the normal window shows where it is not covered";
  }

  // No frame and no caption: nothing of the window lies outside its client area. A window
  // manager frames the normal window, which shows that it does decorate.
  const Geometry outer = OnScreen(TopLevel(window));
  EXPECT_EQ(outer.x, where.x);
  EXPECT_EQ(outer.y, where.y);
  EXPECT_EQ(outer.width, kWidth);
  EXPECT_EQ(outer.height, kHeight);
  const std::vector<long> motif = Property(window, "_MOTIF_WM_HINTS", Intern("_MOTIF_WM_HINTS"));
  ASSERT_GE(motif.size(), 3u);
  EXPECT_EQ(motif[0] & 2, 2) << "decorations are given";
  EXPECT_EQ(motif[2], 0) << "and there are none";
  if (WithWindowManager()) {
    const Geometry framed = OnScreen(TopLevel(normal));
    EXPECT_GT(framed.height, 120) << "the window manager puts a caption on a normal window";
  }
  XDestroyWindow(display, normal);
  XSync(display, False);
}

TEST_P(ProgressOnScreen, PressOnTheBackgroundMovesTheWindow) {
  ConvertPages(4, 2);
  const Window window = ShownWindow();
  ASSERT_NE(window, None);
  const Geometry start = OnScreen(window);

  // The move is handed to the window manager with _NET_WM_MOVERESIZE, which goes to the
  // root window where this test listens too.
  const Window root = DefaultRootWindow(display);
  XSelectInput(display, root, SubstructureNotifyMask);
  const Atom moveResize = Intern("_NET_WM_MOVERESIZE");
  const auto moveRequested = [&](XClientMessageEvent* out) {
    XEvent event;
    while (XCheckTypedEvent(display, ClientMessage, &event)) {
      if (event.xclient.message_type == moveResize && event.xclient.window == window) {
        *out = event.xclient;
        return true;
      }
    }
    return false;
  };
  const auto press = [&](int x, int y, const char* button) {
    const std::string px = std::to_string(start.x + x), py = std::to_string(start.y + y);
    const char* arguments[] = {"xdotool",   "mousemove", px.c_str(), py.c_str(),
                               "mousedown", button,      nullptr};
    ASSERT_EQ(RunProgram(server.Name(), arguments), 0);
  };
  const auto release = [&](const char* button) {
    const char* arguments[] = {"xdotool", "mouseup", button, nullptr};
    ASSERT_EQ(RunProgram(server.Name(), arguments), 0);
  };

  // A press on the gauge or on a label starts nothing.
  XClientMessageEvent message{};
  for (const auto& [x, y] : {std::pair{100, 85}, std::pair{20, 28}}) {
    press(x, y, "1");
    EXPECT_FALSE(PumpUntil([&] { return moveRequested(&message); }, 0.5))
        << "press at " << x << ", " << y;
    release("1");
  }

  // A right-button press on the panel starts a move from where the pointer is.
  press(300, 40, "3");
  ASSERT_TRUE(PumpUntil([&] { return moveRequested(&message); }));
  EXPECT_EQ(message.data.l[0], start.x + 300);
  EXPECT_EQ(message.data.l[1], start.y + 40);
  EXPECT_EQ(message.data.l[2], 8) << "a move with the mouse";
  EXPECT_EQ(message.data.l[3], 3) << "by the button pressed";
  if (!WithWindowManager()) {
    release("3");
    return;  // nobody to carry the move out
  }

  // With a window manager the window follows the mouse until the button goes up.
  PumpUntil([] { return false; }, 0.5);  // the window manager takes the pointer meanwhile
  const char* drag[] = {"xdotool", "mousemove_relative", "--", "60", "40", nullptr};
  ASSERT_EQ(RunProgram(server.Name(), drag), 0);
  PumpUntil([&] { return OnScreen(window).x != start.x; });
  release("3");
  EXPECT_TRUE(PumpUntil([&] {
    const Geometry now = OnScreen(window);
    return now.x == start.x + 60 && now.y == start.y + 40;
  })) << "the window is at "
      << OnScreen(window).x << ", " << OnScreen(window).y;
}

TEST_F(ProgressOnXServer, SurvivesTheServerGoingAway) {
  ConvertPages(10, 3);
  ASSERT_NE(ShownWindow(), None);
  server.Kill();
  const std::string printed = Captured([&] {
    for (int page = 4; page <= 10; ++page) {
      platform::ProcessPendingMessages();
      form->SetGaugeProgress(form->ggCurrent, page * 10);
    }
    form->Refresh();
    form->Hide();
    form->Show();
    folivex->SetProgressStyle(0x0000FF, 0xFFFFFF, 0xFF0000, 0);
    folivex.reset();  // the library's unload
  });
  EXPECT_EQ(printed, "");
}

TEST_F(ProgressOnXServer, CaptionFontHasTheChineseCharacters) {
  // "宋体" is rarely installed on Linux: the font drawn in must still have the captions'
  // characters rather than empty boxes.
  Display* own = platform::x11::OpenDisplay();
  ASSERT_NE(own, nullptr);
  std::optional<platform::x11::FontSet> fonts(std::in_place, own, DefaultScreen(own));
  const std::string caption = "待转换文件所在路径：总页数当前进度名称";
  XftFont* font = fonts->FontFor({"宋体", 12}, caption);
  ASSERT_NE(font, nullptr);
  int missing = 0;
  const auto* p = reinterpret_cast<const FcChar8*>(caption.data());
  for (int left = static_cast<int>(caption.size()); left > 0;) {
    FcChar32 c = 0;
    const int used = FcUtf8ToUcs4(p, &c, left);
    ASSERT_GT(used, 0);
    missing += !XftCharExists(own, font, c);
    p += used;
    left -= used;
  }
  EXPECT_EQ(missing, 0);
  EXPECT_EQ(fonts->Measure("总页数：", {"宋体", 12}).width, 48) << "a 12-pixel CJK font";
  fonts.reset();
  platform::x11::CloseDisplay(own);
}

std::string DesktopCase(const ::testing::TestParamInfo<bool>& param) {
  return param.param ? "WithWindowManager" : "WithoutWindowManager";
}

INSTANTIATE_TEST_SUITE_P(Desktops, ProgressOnScreen, ::testing::Values(false, true), DesktopCase);

}  // namespace
}  // namespace fv::progress
