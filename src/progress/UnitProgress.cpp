#include "progress/UnitProgress.h"

namespace fv::progress {

TfrmProgress* frmProgress = nullptr;

namespace {
constexpr const char* kTotalPage = "总页数：";
constexpr const char* kFileName = "待转换文件名称：";
constexpr const char* kPath = "待转换文件所在路径：";
}  // namespace

TfrmProgress::TfrmProgress()
    : panel_(std::make_unique<TPanel>()),
      curProgress_(std::make_unique<TLabel>()),
      totalPage_(std::make_unique<TLabel>()),
      fileName_(std::make_unique<TLabel>()),
      path_(std::make_unique<TLabel>()),
      gauge_(std::make_unique<TCGauge>()),
      caption_("正在导入Word文件...") {
  panBackGround = panel_.get();
  lbCurProgress = curProgress_.get();
  ggCurrent = gauge_.get();
  lbTotalPage = totalPage_.get();
  lbFileName = fileName_.get();
  lbPath = path_.get();

  panBackGround->SetBounds({0, 0, 466, 117});
  panBackGround->SetColor(14079963);
  lbTotalPage->SetBounds({16, 24, 48, 12});
  lbCurProgress->SetBounds({16, 48, 84, 12});
  lbCurProgress->SetCaption("当前转换进度：");
  ggCurrent->SetBounds({16, 72, 433, 25});
  lbFileName->SetBounds({296, 80, 96, 12});
  lbFileName->SetVisible(false);
  lbPath->SetBounds({336, 80, 120, 12});
  lbPath->SetVisible(false);
  FormCreate();
}

TfrmProgress::~TfrmProgress() = default;

void TfrmProgress::Reset() {
  lbPath->SetCaption(kPath);
  lbFileName->SetCaption(kFileName);
  lbTotalPage->SetCaption(kTotalPage);
  SetGaugeProgress(ggCurrent, 0);
}

void TfrmProgress::FormCreate() {
  Reset();
}
void TfrmProgress::FormShow() {
  Reset();
}

void TfrmProgress::SetLabelCaption(TLabel* label, const std::string& text) {
  label->SetCaption(text);
}

void TfrmProgress::SetGaugeProgress(TCGauge* gauge, int value) {
  gauge->SetProgress(value);
}

void TfrmProgress::Show() {
  if (visible_) return;
  visible_ = true;
  FormShow();
}

void TfrmProgress::Hide() {
  visible_ = false;
}

void TfrmProgress::Refresh() {}

}  // namespace fv::progress
