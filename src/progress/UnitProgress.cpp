#include "progress/UnitProgress.h"

namespace fv::progress {

TfrmProgress* frmProgress = nullptr;

namespace {

constexpr const char* kTotalPage = "总页数：";
constexpr const char* kFileName = "待转换文件名称：";
constexpr const char* kPath = "待转换文件所在路径：";

TForm::Template Design() {
  TForm::Template design;
  design.caption = "正在导入Word文件...";
  design.clientWidth = 466;
  design.clientHeight = 117;
  design.alphaBlendValue = 218;
  design.color = 16420218;
  design.font = {"宋体", -12, clWindowText};
  return design;
}

}  // namespace

TfrmProgress::TfrmProgress() : TfrmProgress(platform::CreatePopupWindow) {}

TfrmProgress::TfrmProgress(const NativeWindowFactory& makeWindow)
    : TForm(Design(), makeWindow),
      panel_(std::make_unique<TPanel>(*this, nullptr)),
      curProgress_(std::make_unique<TLabel>(*this, panel_.get())),
      totalPage_(std::make_unique<TLabel>(*this, panel_.get())),
      fileName_(std::make_unique<TLabel>(*this, panel_.get())),
      path_(std::make_unique<TLabel>(*this, panel_.get())),
      gauge_(std::make_unique<TCGauge>(*this, panel_.get())) {
  panBackGround = panel_.get();
  lbCurProgress = curProgress_.get();
  ggCurrent = gauge_.get();
  lbTotalPage = totalPage_.get();
  lbFileName = fileName_.get();
  lbPath = path_.get();

  panBackGround->SetBounds({0, 0, 466, 117});
  panBackGround->BevelOuter = TBevelCut::bvRaised;
  panBackGround->BevelInner = TBevelCut::bvLowered;
  panBackGround->SetColor(14079963);
  lbTotalPage->SetBounds({16, 24, 48, 12});
  lbTotalPage->SetCaption(kTotalPage);
  lbCurProgress->SetBounds({16, 48, 84, 12});
  lbCurProgress->SetCaption("当前转换进度：");
  ggCurrent->SetBounds({16, 72, 433, 25});
  lbFileName->SetBounds({296, 80, 96, 12});
  lbFileName->SetCaption(kFileName);
  lbFileName->SetVisible(false);
  lbPath->SetBounds({336, 80, 120, 12});
  lbPath->SetCaption(kPath);
  lbPath->SetVisible(false);

  const auto onMouseDown = [this](TObject* sender, MouseButton button, ShiftState shift, int x,
                                  int y) { FormMouseDown(sender, button, shift, x, y); };
  OnMouseDown = onMouseDown;
  panBackGround->OnMouseDown = onMouseDown;
  FormCreate(this);
}

TfrmProgress::~TfrmProgress() = default;

void TfrmProgress::Reset() {
  SetLabelCaption(lbPath, kPath);
  SetLabelCaption(lbFileName, kFileName);
  SetLabelCaption(lbTotalPage, kTotalPage);
  SetGaugeProgress(ggCurrent, 0);
}

void TfrmProgress::FormCreate(TObject*) {
  Reset();
}

void TfrmProgress::FormShow(TObject*) {
  Reset();
}

void TfrmProgress::FormMouseDown(TObject*, MouseButton, ShiftState, int, int) {
  BeginMouseMove();
}

void TfrmProgress::SetLabelCaption(TLabel* label, const std::string& text) {
  label->SetCaption(text);
}

void TfrmProgress::SetGaugeProgress(TCGauge* gauge, int value) {
  gauge->SetProgress(value);
}

void TfrmProgress::SetProgressStyle(TColor formColor, TColor gaugeBackColor, TColor gaugeForeColor,
                                    TColor labelColor) {
  SetColor(formColor);
  ggCurrent->SetBackColor(gaugeBackColor);
  ggCurrent->SetForeColor(gaugeForeColor);
  for (TLabel* label : {lbCurProgress, lbFileName, lbPath, lbTotalPage}) {
    label->SetFontColor(labelColor);
  }
  // The host sees the new colours at once, not only at the next conversion's repaint.
  Refresh();
}

}  // namespace fv::progress
