// A popup that records what the form asks of it, and a canvas that paints into memory, so
// that the form layer can be watched without a desktop.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/native_window.h"
#include "progress/Forms.h"

namespace fv::testing {

// Measures like a 12-pixel CJK screen font: a character outside ASCII takes a whole cell,
// an ASCII one half a cell.
inline platform::PixelSize CellMeasure(std::string_view text, int height) {
  int width = 0;
  for (unsigned char c : text) {
    if (c < 0x80) width += height / 2;
    if (c >= 0xC0) width += height;  // a lead byte: one character outside ASCII
  }
  return {width, height};
}

struct TextDrawn {
  int x, y;
  std::string text;
  platform::FontSpec font;
  platform::RgbColor color;
  platform::PixelRect clip;
};

class MemoryCanvas final : public platform::WindowCanvas {
 public:
  MemoryCanvas(int width, int height, platform::RgbColor fill = 0x123456)
      : width_(width), height_(height), pixels_(static_cast<size_t>(width * height), fill) {}

  void FillRect(const platform::PixelRect& r, platform::RgbColor color) override {
    for (int y = std::max(0, r.top); y < std::min(height_, r.top + r.height); ++y) {
      for (int x = std::max(0, r.left); x < std::min(width_, r.left + r.width); ++x) {
        pixels_[static_cast<size_t>(y * width_ + x)] = color;
      }
    }
  }
  void DrawText(int x, int y, std::string_view text, const platform::FontSpec& font,
                platform::RgbColor color, const platform::PixelRect& clip) override {
    texts.push_back({x, y, std::string(text), font, color, clip});
  }
  platform::PixelSize MeasureText(std::string_view text, const platform::FontSpec& font) override {
    return CellMeasure(text, font.height);
  }

  platform::RgbColor At(int x, int y) const { return pixels_[static_cast<size_t>(y * width_ + x)]; }
  bool Contains(platform::RgbColor color) const {
    return std::find(pixels_.begin(), pixels_.end(), color) != pixels_.end();
  }
  // The texts drawn whose string is `text`.
  std::vector<TextDrawn> TextsOf(const std::string& text) const {
    std::vector<TextDrawn> found;
    for (const auto& t : texts) {
      if (t.text == text) found.push_back(t);
    }
    return found;
  }

  std::vector<TextDrawn> texts;

 private:
  int width_, height_;
  std::vector<platform::RgbColor> pixels_;
};

struct WindowRecord {
  int creates = 0, shows = 0, hides = 0, updates = 0, invalidates = 0, moves = 0;
  platform::PopupWindowOptions options;
  platform::NativeWindowClient* client = nullptr;
};

class FakeWindow final : public platform::NativeWindow {
 public:
  FakeWindow(WindowRecord& record, bool hasDesktop) : record_(record), hasDesktop_(hasDesktop) {}
  bool Create() override {
    ++record_.creates;
    return hasDesktop_;
  }
  void Show() override { ++record_.shows; }
  void Hide() override { ++record_.hides; }
  void Invalidate() override { ++record_.invalidates; }
  void Update() override { ++record_.updates; }
  void BeginMouseMove() override { ++record_.moves; }
  platform::PixelSize MeasureText(std::string_view text, const platform::FontSpec& font) override {
    // With a desktop the fonts are a little wider: labels must measure again once shown.
    platform::PixelSize size = CellMeasure(text, font.height);
    if (record_.creates > 0 && hasDesktop_) size.width += 1;
    return size;
  }

 private:
  WindowRecord& record_;
  bool hasDesktop_;
};

// The factory a form is built with to record into `record`.
inline progress::NativeWindowFactory Recording(WindowRecord& record, bool hasDesktop = true) {
  return [&record, hasDesktop](const platform::PopupWindowOptions& options,
                               platform::NativeWindowClient& client) {
    record.options = options;
    record.client = &client;
    return std::make_unique<FakeWindow>(record, hasDesktop);
  };
}

}  // namespace fv::testing
