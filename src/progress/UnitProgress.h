// The progress window: a small borderless, always-on-top window with the page count and a
// gauge, and two hidden labels with the source's folder and name.
#pragma once

#include <memory>
#include <string>

#include "progress/Forms.h"

namespace fv::progress {

class TfrmProgress {
 public:
  // Builds the window and its controls, hidden; FormCreate runs.
  TfrmProgress();
  ~TfrmProgress();
  TfrmProgress(const TfrmProgress&) = delete;
  TfrmProgress& operator=(const TfrmProgress&) = delete;

  TPanel* panBackGround;
  TLabel* lbCurProgress;
  TCGauge* ggCurrent;
  TLabel* lbTotalPage;
  TLabel* lbFileName;
  TLabel* lbPath;

  void FormCreate();
  void FormShow();
  void SetLabelCaption(TLabel* label, const std::string& text);
  void SetGaugeProgress(TCGauge* gauge, int value);

  // The window's own operations.
  void Show();  // runs FormShow when the window goes from hidden to shown
  void Hide();
  void Refresh();
  bool Visible() const { return visible_; }
  TColor Color() const { return color_; }
  void SetColor(TColor c) { color_ = c; }
  const std::string& Caption() const { return caption_; }

 private:
  void Reset();

  std::unique_ptr<TPanel> panel_;
  std::unique_ptr<TLabel> curProgress_, totalPage_, fileName_, path_;
  std::unique_ptr<TCGauge> gauge_;
  bool visible_ = false;
  TColor color_ = 16420218;
  std::string caption_;
};

// The one progress window of the library.
extern TfrmProgress* frmProgress;

}  // namespace fv::progress
