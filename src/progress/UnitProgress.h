// The progress window: a small borderless, always-on-top window with the page count and a
// gauge, and two hidden labels with the source's folder and name.
#pragma once

#include <memory>
#include <string>

#include "progress/Forms.h"

namespace fv::progress {

class TfrmProgress : public TForm {
 public:
  // Builds the window and its controls, hidden; FormCreate runs. Nothing is asked of the
  // desktop until the window is first shown.
  TfrmProgress();
  // The same with the popup made by `makeWindow`: for test code only.
  explicit TfrmProgress(const NativeWindowFactory& makeWindow);
  ~TfrmProgress() override;

  TPanel* panBackGround;
  TLabel* lbCurProgress;
  TCGauge* ggCurrent;
  TLabel* lbTotalPage;
  TLabel* lbFileName;
  TLabel* lbPath;

  // Resets the captions and the gauge.
  void FormCreate(TObject* Sender = nullptr);
  // The same reset, each time the window goes from hidden to shown.
  void FormShow(TObject* Sender = nullptr);
  // Any button on the window or its background starts moving the window with the mouse.
  void FormMouseDown(TObject* Sender, MouseButton Button, ShiftState Shift, int X, int Y);
  void SetLabelCaption(TLabel* label, const std::string& text);
  // Cuts the value to the gauge's range; the gauge repaints when its percentage changes.
  void SetGaugeProgress(TCGauge* gauge, int value);
  // The window's colour, the gauge's background and bar, and the four labels' text; the
  // panel keeps its own colour.
  void SetProgressStyle(TColor formColor, TColor gaugeBackColor, TColor gaugeForeColor,
                        TColor labelColor);

 protected:
  void DoShow() override { FormShow(this); }

 private:
  void Reset();

  std::unique_ptr<TPanel> panel_;
  std::unique_ptr<TLabel> curProgress_, totalPage_, fileName_, path_;
  std::unique_ptr<TCGauge> gauge_;
};

// The one progress window of the library.
extern TfrmProgress* frmProgress;

}  // namespace fv::progress
