// Drawing on an X11 drawable with Xft: the fonts a window uses and the canvas its owner
// paints through.
#pragma once

#include <X11/Xft/Xft.h>

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/native_window.h"

namespace fv::platform::x11 {

// The fonts of one display, opened on first use and closed with the set.
class FontSet {
 public:
  FontSet(Display* display, int screen) : display_(display), screen_(screen) {}
  ~FontSet();
  FontSet(const FontSet&) = delete;
  FontSet& operator=(const FontSet&) = delete;

  // The font named by `spec` when it has every character of `text`; otherwise an installed
  // font of that size that has them (or as many as any font has). Null only when no font
  // at all can be opened.
  XftFont* FontFor(const FontSpec& spec, std::string_view text);
  // The advance width of `text` and the line height of the font it is drawn in.
  PixelSize Measure(std::string_view text, const FontSpec& spec);

 private:
  using Key = std::pair<std::string, int>;  // face and height
  XftFont* Open(const FontSpec& spec, std::string_view needed);
  bool Covers(XftFont* font, std::string_view text) const;

  Display* display_;
  int screen_;
  std::map<Key, std::vector<XftFont*>> fonts_;              // per face: the named one first
  std::map<std::pair<Key, std::string>, XftFont*> chosen_;  // what a text was drawn in
};

// Paints into an XftDraw; colours are allocated for each call and freed after it.
class XftCanvas final : public WindowCanvas {
 public:
  XftCanvas(Display* display, XftDraw* draw, FontSet& fonts)
      : display_(display), draw_(draw), fonts_(fonts) {}
  void FillRect(const PixelRect& rect, RgbColor color) override;
  void DrawText(int x, int y, std::string_view text, const FontSpec& font, RgbColor color,
                const PixelRect& clip) override;
  PixelSize MeasureText(std::string_view text, const FontSpec& font) override;

 private:
  bool Allocate(RgbColor color, XftColor& out);
  void Free(XftColor& color);

  Display* display_;
  XftDraw* draw_;
  FontSet& fonts_;
};

}  // namespace fv::platform::x11
