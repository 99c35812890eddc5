// The small form layer the progress window stands on: a form holding a panel, labels and a
// gauge. The controls keep their properties and paint themselves through the form's
// canvas; the form puts the result on the desktop through the platform's popup window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/native_window.h"

namespace fv::progress {

// A colour in the layout 0x00BBGGRR; a negative value names a system colour by its index
// in the low byte.
using TColor = int32_t;

inline constexpr TColor SystemColorValue(int index) {
  return static_cast<TColor>(0xFF000000u | static_cast<uint32_t>(index));
}
inline constexpr TColor clWindowText = SystemColorValue(8);
inline constexpr TColor clWindowFrame = SystemColorValue(6);
inline constexpr TColor clBtnShadow = SystemColorValue(16);
inline constexpr TColor clBtnHighlight = SystemColorValue(20);
inline constexpr TColor clBtnFace = SystemColorValue(15);

// The RGB value a colour stands for on this desktop.
platform::RgbColor ColorToRgb(TColor color);

struct TRect {
  int left = 0, top = 0, width = 0, height = 0;
  bool Contains(int x, int y) const {
    return x >= left && x < left + width && y >= top && y < top + height;
  }
};

struct TFont {
  std::string Name;
  int Height = -12;  // negative: the character height in pixels
  TColor Color = clWindowText;
};

using platform::MouseButton;
using platform::ShiftState;

class TObject {
 public:
  virtual ~TObject() = default;
};

using TMouseEvent =
    std::function<void(TObject* sender, MouseButton button, ShiftState shift, int x, int y)>;

class TForm;

// Drawing in form coordinates, with the colours of the form layer.
class TCanvas {
 public:
  explicit TCanvas(platform::WindowCanvas& target) : target_(target) {}
  void FillRect(const TRect& rect, TColor color);
  // One-pixel frame: top and left edges in `topLeft`, bottom and right in `bottomRight`.
  void Frame3D(const TRect& rect, TColor topLeft, TColor bottomRight);
  void TextOut(int x, int y, const std::string& text, const TFont& font, const TRect& clip);
  void TextOut(int x, int y, const std::string& text, const TFont& font, TColor color,
               const TRect& clip);

 private:
  platform::WindowCanvas& target_;
};

class TControl : public TObject {
 public:
  // A control of `form`, lying on `parent` (or on the form itself when null). It takes the
  // form's font and, when it has no colour of its own, its parent's colour.
  TControl(TForm& form, TControl* parent);
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  TRect Bounds() const { return bounds_; }
  void SetBounds(TRect r);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  // Its own colour, or its parent's while ParentColor holds.
  TColor Color() const;
  void SetColor(TColor c);
  bool ParentColor() const { return parentColor_; }
  const TFont& Font() const { return font_; }
  TColor FontColor() const { return font_.Color; }
  void SetFontColor(TColor c);
  TControl* Parent() const { return parent_; }
  const std::vector<TControl*>& Controls() const { return children_; }

  // Set only on controls that handle presses; a press on one without it does nothing.
  TMouseEvent OnMouseDown;

  // Where the control lies in form coordinates.
  TRect BoundsInForm() const;
  // Paints the control itself (not the controls on it) in form coordinates.
  virtual void Paint(TCanvas& canvas) const = 0;
  // Schedules a repaint of the form.
  void Invalidate();

 protected:
  TForm& form_;

 private:
  friend class TForm;  // it files each control under its parent
  TControl* parent_;
  std::vector<TControl*> children_;
  TRect bounds_;
  bool visible_ = true;
  bool parentColor_ = true;
  TColor color_ = clBtnFace;
  TFont font_;
};

enum class TBevelCut { bvNone, bvLowered, bvRaised };

class TPanel : public TControl {
 public:
  using TControl::TControl;
  TBevelCut BevelOuter = TBevelCut::bvRaised;
  TBevelCut BevelInner = TBevelCut::bvNone;
  void Paint(TCanvas& canvas) const override;
};

class TLabel : public TControl {
 public:
  using TControl::TControl;
  const std::string& Caption() const { return caption_; }
  // Takes the text and resizes to it.
  void SetCaption(const std::string& caption);
  // Sizes the label to its caption in its font.
  void AdjustBounds();
  void Paint(TCanvas& canvas) const override;

 private:
  std::string caption_;
};

// A horizontal bar gauge with a single border and its percentage centred on it.
class TCGauge : public TControl {
 public:
  using TControl::TControl;
  int MinValue() const { return 0; }
  int MaxValue() const { return 100; }
  int Progress() const { return progress_; }
  // Takes the value cut to the range, and repaints at once when the whole-number
  // percentage changed. Returns whether it did.
  bool SetProgress(int value);
  int PercentDone() const;
  TColor BackColor() const { return backColor_; }
  void SetBackColor(TColor c);
  TColor ForeColor() const { return foreColor_; }
  void SetForeColor(TColor c);
  void Paint(TCanvas& canvas) const override;

 private:
  int progress_ = 0;
  TColor backColor_ = 0xFFFFFF;
  TColor foreColor_ = 0xFF0000;
};

// How a form's popup is made; tests hand in their own to watch what the form asks of it.
using NativeWindowFactory = std::function<std::unique_ptr<platform::NativeWindow>(
    const platform::PopupWindowOptions&, platform::NativeWindowClient&)>;

// A borderless, top-most form with a fixed client size.
class TForm : public TObject, private platform::NativeWindowClient {
 public:
  struct Template {
    std::string caption;
    int clientWidth = 0, clientHeight = 0;
    uint8_t alphaBlendValue = 255;
    TColor color = clBtnFace;
    TFont font;
  };
  // The window is made hidden; nothing is asked of the desktop until it is shown.
  TForm(const Template& design, const NativeWindowFactory& makeWindow);
  ~TForm() override;

  // Shows the form (running OnShow first) when it is hidden; shown, it stays as it is.
  void Show();
  void Hide();
  // Repaints at once when shown.
  void Refresh();
  // Schedules a repaint for the next dispatch of the window's events.
  void Invalidate();
  bool Visible() const { return visible_; }
  TColor Color() const { return color_; }
  void SetColor(TColor c);
  const std::string& Caption() const { return caption_; }
  const TFont& Font() const { return font_; }
  TRect ClientRect() const { return {0, 0, clientWidth_, clientHeight_}; }
  uint8_t AlphaBlendValue() const { return alpha_; }
  const std::vector<TControl*>& Controls() const { return controls_; }

  // The width and height `text` takes in `font`.
  platform::PixelSize TextExtent(const std::string& text, const TFont& font) const;
  // From a mouse-down handler: releases the mouse and moves the window with it.
  void BeginMouseMove();
  // Paints the whole form onto `canvas`.
  void PaintTo(platform::WindowCanvas& canvas);

  TMouseEvent OnMouseDown;

 protected:
  virtual void DoShow() {}

 private:
  friend class TControl;
  void Insert(TControl* control, TControl* parent);
  void PaintControls(TCanvas& canvas, const std::vector<TControl*>& controls);
  // The top-most visible control under (x, y) in form coordinates, or null.
  TControl* ControlAt(const std::vector<TControl*>& controls, int x, int y);
  void AdjustLabels(const std::vector<TControl*>& controls);

  void PaintWindow(platform::WindowCanvas& canvas) override;
  void WindowMouseDown(MouseButton button, ShiftState shift, int x, int y) override;

  std::string caption_;
  int clientWidth_, clientHeight_;
  uint8_t alpha_;
  TColor color_;
  TFont font_;
  bool visible_ = false;
  bool created_ = false;
  std::vector<TControl*> controls_;  // those lying on the form itself, in z-order
  std::unique_ptr<platform::NativeWindow> window_;
};

}  // namespace fv::progress
