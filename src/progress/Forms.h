// The small form layer the progress window stands on: a form with a panel, labels and a
// gauge. It keeps each control's properties; drawing them is the platform window's job.
#pragma once

#include <cstdint>
#include <string>

namespace fv::progress {

// A colour in the layout 0x00BBGGRR; a negative value names a system colour.
using TColor = int32_t;

struct TRect {
  int left = 0, top = 0, width = 0, height = 0;
};

class TControl {
 public:
  virtual ~TControl() = default;
  TRect Bounds() const { return bounds_; }
  void SetBounds(TRect r) { bounds_ = r; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { visible_ = v; }
  TColor Color() const { return color_; }
  void SetColor(TColor c) { color_ = c; }
  TColor FontColor() const { return fontColor_; }
  void SetFontColor(TColor c) { fontColor_ = c; }

 protected:
  TRect bounds_;
  bool visible_ = true;
  TColor color_ = 0;
  TColor fontColor_ = 0;
};

class TLabel : public TControl {
 public:
  const std::string& Caption() const { return caption_; }
  // Takes the text; the label sizes itself to it.
  void SetCaption(const std::string& caption) { caption_ = caption; }

 private:
  std::string caption_;
};

class TPanel : public TControl {};

class TCGauge : public TControl {
 public:
  int MinValue() const { return 0; }
  int MaxValue() const { return 100; }
  int Progress() const { return progress_; }
  // Takes the value cut to 0..100; returns true when the whole-number percentage changed
  // (and the gauge needs repainting).
  bool SetProgress(int value) {
    const int cut = value < 0 ? 0 : (value > 100 ? 100 : value);
    const bool changed = cut != progress_;
    progress_ = cut;
    return changed;
  }
  TColor BackColor() const { return backColor_; }
  void SetBackColor(TColor c) { backColor_ = c; }
  TColor ForeColor() const { return foreColor_; }
  void SetForeColor(TColor c) { foreColor_ = c; }

 private:
  int progress_ = 0;
  TColor backColor_ = 0xFFFFFF;
  TColor foreColor_ = 0xFF0000;
};

}  // namespace fv::progress
