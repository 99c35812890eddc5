// The library's own window on the desktop: a borderless, top-most popup that its owner
// paints through a small canvas and that reports mouse presses back to its owner.
//
// The owner (the form layer) decides what is drawn and which control a press hits; the
// platform only opens the window, paints on request and hands over the mouse. Every
// operation works without a desktop to draw on: the window then draws nothing and nothing
// fails, so that a host without a display can load and run the library.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace fv::platform {

// A colour as red | green << 8 | blue << 16, system colours already resolved.
using RgbColor = uint32_t;

struct PixelRect {
  int left = 0, top = 0, width = 0, height = 0;
};

struct PixelSize {
  int width = 0, height = 0;
};

// A font by face name and character height in pixels. When the face is not installed the
// platform picks an installed one that has the text's characters.
struct FontSpec {
  std::string face;
  int height = 12;
};

// What the owner draws with while its window is painted; client coordinates in pixels.
// Texts are in the system's narrow encoding.
class WindowCanvas {
 public:
  virtual ~WindowCanvas() = default;
  virtual void FillRect(const PixelRect& rect, RgbColor color) = 0;
  // Draws `text` with the top-left corner of its first character cell at (x, y), leaving
  // the background as it is, and nothing outside `clip`.
  virtual void DrawText(int x, int y, std::string_view text, const FontSpec& font, RgbColor color,
                        const PixelRect& clip) = 0;
  // The width and line height `text` takes in `font`.
  virtual PixelSize MeasureText(std::string_view text, const FontSpec& font) = 0;
};

enum class MouseButton { kLeft, kRight, kMiddle, kExtra };

// The modifier keys and buttons held during a mouse press.
struct ShiftState {
  bool shift = false, control = false, alt = false;
  bool left = false, right = false, middle = false;
};

// The window's owner: called back from the calls below and from DispatchWindowEvents.
class NativeWindowClient {
 public:
  virtual ~NativeWindowClient() = default;
  // Paints the whole client area.
  virtual void PaintWindow(WindowCanvas& canvas) = 0;
  // A mouse button went down at (x, y) in client coordinates.
  virtual void WindowMouseDown(MouseButton button, ShiftState shift, int x, int y) = 0;
};

struct PopupWindowOptions {
  std::string title;          // the window text, shown where the desktop lists windows
  int width = 0, height = 0;  // client size in pixels
  uint8_t alpha = 255;        // 255 is opaque
  RgbColor background = 0;    // what shows before the first paint
};

class NativeWindow {
 public:
  virtual ~NativeWindow() = default;

  // Makes the system's window if it does not exist yet, hidden. Returns false when there
  // is no desktop to make it on; the window then stays without one for its whole life.
  virtual bool Create() = 0;
  // Centres the window on the desktop, shows it above all other windows and paints it.
  // Creates the system's window first when needed. Does nothing without a desktop.
  virtual void Show() = 0;
  virtual void Hide() = 0;
  // Marks the window for painting at the next DispatchWindowEvents.
  virtual void Invalidate() = 0;
  // Paints the window at once when it is shown.
  virtual void Update() = 0;
  // Called from WindowMouseDown: releases the mouse and lets the desktop move the window
  // with the mouse until the button is released, as a drag of a caption bar would.
  virtual void BeginMouseMove() = 0;
  // What `text` measures in `font`: with the desktop's fonts once Create succeeded,
  // before that (and without a desktop) in character cells as wide as the font is high
  // for a wide character and half that for any other.
  virtual PixelSize MeasureText(std::string_view text, const FontSpec& font) = 0;
};

// A hidden popup for `client`, which must outlive it. No desktop is contacted until the
// window is created or shown.
std::unique_ptr<NativeWindow> CreatePopupWindow(const PopupWindowOptions& options,
                                                NativeWindowClient& client);

// Delivers the pending events of every popup window (paints, mouse presses) and paints
// the invalidated ones. Returns without waiting for more.
void DispatchWindowEvents();

// The desktop's colour for a system colour index (the Windows COLOR_* numbering, e.g. 15
// for button faces); black for an unknown index.
RgbColor SystemColor(int index);

}  // namespace fv::platform
