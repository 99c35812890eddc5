#include "progress/Forms.h"

#include <algorithm>

namespace fv::progress {

platform::RgbColor ColorToRgb(TColor color) {
  if (color < 0) return platform::SystemColor(static_cast<int>(color & 0xFF));
  return static_cast<platform::RgbColor>(color) & 0xFFFFFFu;
}

namespace {

platform::PixelRect ToPixels(const TRect& r) {
  return {r.left, r.top, r.width, r.height};
}

platform::FontSpec ToFontSpec(const TFont& font) {
  return {font.Name, font.Height < 0 ? -font.Height : font.Height};
}

TRect Shrink(const TRect& r, int by) {
  return {r.left + by, r.top + by, std::max(0, r.width - 2 * by), std::max(0, r.height - 2 * by)};
}

}  // namespace

// --- TCanvas ---

void TCanvas::FillRect(const TRect& rect, TColor color) {
  if (rect.width <= 0 || rect.height <= 0) return;
  target_.FillRect(ToPixels(rect), ColorToRgb(color));
}

void TCanvas::Frame3D(const TRect& r, TColor topLeft, TColor bottomRight) {
  if (r.width <= 0 || r.height <= 0) return;
  FillRect({r.left, r.top, r.width - 1, 1}, topLeft);
  FillRect({r.left, r.top, 1, r.height - 1}, topLeft);
  FillRect({r.left + r.width - 1, r.top, 1, r.height}, bottomRight);
  FillRect({r.left, r.top + r.height - 1, r.width, 1}, bottomRight);
}

void TCanvas::TextOut(int x, int y, const std::string& text, const TFont& font, const TRect& clip) {
  TextOut(x, y, text, font, font.Color, clip);
}

void TCanvas::TextOut(int x, int y, const std::string& text, const TFont& font, TColor color,
                      const TRect& clip) {
  if (text.empty() || clip.width <= 0 || clip.height <= 0) return;
  target_.DrawText(x, y, text, ToFontSpec(font), ColorToRgb(color), ToPixels(clip));
}

// --- TControl ---

TControl::TControl(TForm& form, TControl* parent)
    : form_(form), parent_(parent), font_(form.Font()) {
  form.Insert(this, parent);
}

void TControl::SetBounds(TRect r) {
  bounds_ = r;
  Invalidate();
}

void TControl::SetVisible(bool v) {
  if (visible_ == v) return;
  visible_ = v;
  Invalidate();
}

TColor TControl::Color() const {
  if (!parentColor_) return color_;
  return parent_ ? parent_->Color() : form_.Color();
}

void TControl::SetColor(TColor c) {
  color_ = c;
  parentColor_ = false;
  Invalidate();
}

void TControl::SetFontColor(TColor c) {
  font_.Color = c;
  Invalidate();
}

TRect TControl::BoundsInForm() const {
  TRect r = bounds_;
  for (const TControl* p = parent_; p; p = p->parent_) {
    r.left += p->bounds_.left;
    r.top += p->bounds_.top;
  }
  return r;
}

void TControl::Invalidate() {
  form_.Invalidate();
}

// --- TPanel ---

namespace {

void DrawBevel(TCanvas& canvas, TRect& r, TBevelCut cut) {
  if (cut == TBevelCut::bvNone) return;
  const bool raised = cut == TBevelCut::bvRaised;
  canvas.Frame3D(r, raised ? clBtnHighlight : clBtnShadow, raised ? clBtnShadow : clBtnHighlight);
  r = Shrink(r, 1);
}

}  // namespace

void TPanel::Paint(TCanvas& canvas) const {
  TRect r = BoundsInForm();
  DrawBevel(canvas, r, BevelOuter);
  DrawBevel(canvas, r, BevelInner);
  canvas.FillRect(r, Color());
}

// --- TLabel ---

void TLabel::SetCaption(const std::string& caption) {
  caption_ = caption;
  AdjustBounds();
  Invalidate();
}

void TLabel::AdjustBounds() {
  const platform::PixelSize size = form_.TextExtent(caption_, Font());
  TRect r = Bounds();
  r.width = size.width;
  r.height = size.height;
  SetBounds(r);
}

void TLabel::Paint(TCanvas& canvas) const {
  const TRect r = BoundsInForm();
  canvas.FillRect(r, Color());
  canvas.TextOut(r.left, r.top, caption_, Font(), r);
}

// --- TCGauge ---

bool TCGauge::SetProgress(int value) {
  const int before = PercentDone();
  progress_ = std::clamp(value, MinValue(), MaxValue());
  if (PercentDone() == before) return false;
  form_.Refresh();
  return true;
}

int TCGauge::PercentDone() const {
  return (progress_ - MinValue()) * 100 / (MaxValue() - MinValue());
}

void TCGauge::SetBackColor(TColor c) {
  backColor_ = c;
  Invalidate();
}

void TCGauge::SetForeColor(TColor c) {
  foreColor_ = c;
  Invalidate();
}

void TCGauge::Paint(TCanvas& canvas) const {
  const TRect r = BoundsInForm();
  canvas.Frame3D(r, clWindowFrame, clWindowFrame);
  const TRect inner = Shrink(r, 1);
  const int done = inner.width * PercentDone() / 100;
  const TRect bar{inner.left, inner.top, done, inner.height};
  const TRect rest{inner.left + done, inner.top, inner.width - done, inner.height};
  canvas.FillRect(bar, foreColor_);
  canvas.FillRect(rest, backColor_);

  // The text takes the background colour where it lies on the bar, so that it reads on
  // any bar colour.
  const std::string text = std::to_string(PercentDone()) + "%";
  const platform::PixelSize size = form_.TextExtent(text, Font());
  const int x = r.left + (r.width - size.width) / 2;
  const int y = r.top + (r.height - size.height) / 2;
  canvas.TextOut(x, y, text, Font(), backColor_, bar);
  canvas.TextOut(x, y, text, Font(), rest);
}

// --- TForm ---

TForm::TForm(const Template& design, const NativeWindowFactory& makeWindow)
    : caption_(design.caption),
      clientWidth_(design.clientWidth),
      clientHeight_(design.clientHeight),
      alpha_(design.alphaBlendValue),
      color_(design.color),
      font_(design.font) {
  platform::PopupWindowOptions options;
  options.title = caption_;
  options.width = clientWidth_;
  options.height = clientHeight_;
  options.alpha = alpha_;
  window_ = makeWindow(options, *this);
}

TForm::~TForm() = default;

void TForm::Insert(TControl* control, TControl* parent) {
  (parent ? parent->children_ : controls_).push_back(control);
}

void TForm::Show() {
  if (visible_) return;
  if (!created_) {
    created_ = true;
    // With the desktop's fonts at hand the labels measure again.
    if (window_->Create()) AdjustLabels(controls_);
  }
  visible_ = true;
  DoShow();
  window_->Show();
}

void TForm::Hide() {
  if (!visible_) return;
  visible_ = false;
  window_->Hide();
}

void TForm::Refresh() {
  if (visible_) window_->Update();
}

void TForm::Invalidate() {
  if (visible_) window_->Invalidate();
}

void TForm::SetColor(TColor c) {
  color_ = c;
  Invalidate();
}

platform::PixelSize TForm::TextExtent(const std::string& text, const TFont& font) const {
  return window_->MeasureText(text, ToFontSpec(font));
}

void TForm::BeginMouseMove() {
  window_->BeginMouseMove();
}

void TForm::PaintTo(platform::WindowCanvas& canvas) {
  TCanvas c(canvas);
  c.FillRect(ClientRect(), color_);
  PaintControls(c, controls_);
}

void TForm::PaintControls(TCanvas& canvas, const std::vector<TControl*>& controls) {
  for (const TControl* control : controls) {
    if (!control->Visible()) continue;
    control->Paint(canvas);
    PaintControls(canvas, control->Controls());
  }
}

TControl* TForm::ControlAt(const std::vector<TControl*>& controls, int x, int y) {
  for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
    TControl* control = *it;
    if (!control->Visible() || !control->BoundsInForm().Contains(x, y)) continue;
    TControl* inner = ControlAt(control->Controls(), x, y);
    return inner ? inner : control;
  }
  return nullptr;
}

void TForm::AdjustLabels(const std::vector<TControl*>& controls) {
  for (TControl* control : controls) {
    if (auto* label = dynamic_cast<TLabel*>(control)) label->AdjustBounds();
    AdjustLabels(control->Controls());
  }
}

void TForm::PaintWindow(platform::WindowCanvas& canvas) {
  PaintTo(canvas);
}

void TForm::WindowMouseDown(MouseButton button, ShiftState shift, int x, int y) {
  if (TControl* control = ControlAt(controls_, x, y)) {
    const TRect r = control->BoundsInForm();
    if (control->OnMouseDown) control->OnMouseDown(control, button, shift, x - r.left, y - r.top);
    return;
  }
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

}  // namespace fv::progress
