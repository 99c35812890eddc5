// The progress window as a model: its design, the reset on create and on show, the caption
// appends of the open step and the driver, the gauge, the colours, the drawing and the
// mouse, watched through a recording popup; and the real popup without a display.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "Captured.h"
#include "FakeWindow.h"
#include "controller/UnitFolivex.h"
#include "platform/message_pump.h"
#include "progress/UnitProgress.h"

namespace fv::progress {
namespace {

using testing::Captured;
using testing::MemoryCanvas;
using testing::Recording;
using testing::WindowRecord;

constexpr const char* kTotalPage = "总页数：";
constexpr const char* kCurProgress = "当前转换进度：";
constexpr const char* kFileName = "待转换文件名称：";
constexpr const char* kPath = "待转换文件所在路径：";

constexpr platform::RgbColor kPanel = 0xD6D7DB;
constexpr platform::RgbColor kWhite = 0xFFFFFF, kBlack = 0, kGrey = 0x808080;

class ProgressModel : public ::testing::Test {
 protected:
  ProgressModel() : form(Recording(window)) {}

  // Paints the form as its popup would and returns the picture.
  MemoryCanvas Paint() {
    MemoryCanvas canvas(466, 117);
    form.PaintTo(canvas);
    return canvas;
  }

  WindowRecord window;
  TfrmProgress form;
};

TEST_F(ProgressModel, IsBuiltAsDesigned) {
  EXPECT_EQ(window.options.title, "正在导入Word文件...");
  EXPECT_EQ(window.options.width, 466);
  EXPECT_EQ(window.options.height, 117);
  EXPECT_EQ(window.options.alpha, 218);
  EXPECT_EQ(window.creates, 0) << "nothing may be asked of the desktop before the first show";
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(form.Color(), 16420218);
  EXPECT_EQ(form.Font().Name, "宋体");
  EXPECT_EQ(form.Font().Height, -12);

  EXPECT_EQ(form.panBackGround->Parent(), nullptr);
  EXPECT_EQ(form.panBackGround->Color(), 14079963);
  EXPECT_EQ(form.panBackGround->BevelOuter, TBevelCut::bvRaised);
  EXPECT_EQ(form.panBackGround->BevelInner, TBevelCut::bvLowered);
  EXPECT_EQ(form.ggCurrent->MinValue(), 0);
  EXPECT_EQ(form.ggCurrent->MaxValue(), 100);
  EXPECT_EQ(form.ggCurrent->Progress(), 0);
  EXPECT_EQ(form.ggCurrent->ForeColor(), 0xFF0000);
  EXPECT_EQ(form.ggCurrent->BackColor(), 0xFFFFFF);

  struct Expected {
    TControl* control;
    TRect bounds;
    bool visible;
    const char* caption;  // null for the gauge
  };
  // The recording popup measures a CJK character as 12 pixels, as the design did.
  const Expected controls[] = {
      {form.lbTotalPage, {16, 24, 48, 12}, true, kTotalPage},
      {form.lbCurProgress, {16, 48, 84, 12}, true, kCurProgress},
      {form.ggCurrent, {16, 72, 433, 25}, true, nullptr},
      {form.lbFileName, {296, 80, 96, 12}, false, kFileName},
      {form.lbPath, {336, 80, 120, 12}, false, kPath},
  };
  for (const auto& e : controls) {
    SCOPED_TRACE(e.caption ? e.caption : "ggCurrent");
    EXPECT_EQ(e.control->Parent(), form.panBackGround);
    const TRect b = e.control->Bounds();
    EXPECT_EQ((std::vector{b.left, b.top, b.width, b.height}),
              (std::vector{e.bounds.left, e.bounds.top, e.bounds.width, e.bounds.height}));
    EXPECT_EQ(e.control->Visible(), e.visible);
    EXPECT_EQ(e.control->Color(), 14079963) << "every control takes the panel's colour";
    EXPECT_EQ(e.control->FontColor(), clWindowText);
    if (e.caption) {
      EXPECT_EQ(static_cast<TLabel*>(e.control)->Caption(), e.caption);
    }
  }
}

// The reset touches the three captions and the gauge, never lbCurProgress.
void Scribble(TfrmProgress& form) {
  form.SetLabelCaption(form.lbPath, form.lbPath->Caption() + "/docs/");
  form.SetLabelCaption(form.lbFileName, form.lbFileName->Caption() + "a.doc");
  form.SetLabelCaption(form.lbTotalPage, form.lbTotalPage->Caption() + "12");
  form.SetLabelCaption(form.lbCurProgress, "x");
  form.SetGaugeProgress(form.ggCurrent, 40);
}

TEST_F(ProgressModel, FormCreateResetsCaptionsAndGauge) {
  Scribble(form);
  form.FormCreate(&form);
  EXPECT_EQ(form.lbPath->Caption(), kPath);
  EXPECT_EQ(form.lbFileName->Caption(), kFileName);
  EXPECT_EQ(form.lbTotalPage->Caption(), kTotalPage);
  EXPECT_EQ(form.ggCurrent->Progress(), 0);
  EXPECT_EQ(form.lbCurProgress->Caption(), "x");
}

TEST_F(ProgressModel, ShowResetsOnlyWhenTheWindowWasHidden) {
  // The open step fills the hidden labels and repaints; the window is not shown yet.
  Scribble(form);
  form.Refresh();
  EXPECT_EQ(window.updates, 0) << "a hidden window paints nothing";
  EXPECT_EQ(form.lbPath->Caption(), std::string(kPath) + "/docs/");

  // The driver shows the window (the reset runs) and appends the page count.
  form.Show();
  EXPECT_EQ(window.shows, 1);
  EXPECT_EQ(form.lbPath->Caption(), kPath);
  EXPECT_EQ(form.lbFileName->Caption(), kFileName);
  EXPECT_EQ(form.ggCurrent->Progress(), 0);
  form.SetLabelCaption(form.lbTotalPage, form.lbTotalPage->Caption() + "12");
  form.SetGaugeProgress(form.ggCurrent, 24);

  // An abandoned conversion leaves it shown: the next one's show resets nothing, and its
  // page count lands behind the old one.
  form.Show();
  EXPECT_EQ(window.shows, 1);
  EXPECT_EQ(form.ggCurrent->Progress(), 24);
  form.SetLabelCaption(form.lbTotalPage, form.lbTotalPage->Caption() + "7");
  EXPECT_EQ(form.lbTotalPage->Caption(), std::string(kTotalPage) + "127");

  form.Hide();
  EXPECT_FALSE(form.Visible());
  form.Show();
  EXPECT_EQ(window.shows, 2);
  EXPECT_EQ(form.lbTotalPage->Caption(), kTotalPage);
  EXPECT_EQ(form.ggCurrent->Progress(), 0);
}

TEST_F(ProgressModel, LabelsSizeThemselvesToTheirText) {
  form.SetLabelCaption(form.lbTotalPage, form.lbTotalPage->Caption() + "12");
  EXPECT_EQ(form.lbTotalPage->Bounds().width, 48 + 12);
  EXPECT_EQ(form.lbTotalPage->Bounds().left, 16) << "the label grows to the right";
  form.SetLabelCaption(form.lbFileName, "");
  EXPECT_EQ(form.lbFileName->Bounds().width, 0);

  // Once the desktop's fonts are at hand every label measures again.
  const int before = form.lbCurProgress->Bounds().width;
  form.Show();
  EXPECT_EQ(form.lbCurProgress->Bounds().width, before + 1);
}

TEST_F(ProgressModel, GaugeTakesItsValueCutToTheRange) {
  const struct {
    int value, progress;
  } cases[] = {{150, 100}, {-5, 0}, {50, 50}, {100, 100}, {0, 0}, {101, 100}, {-1, 0}};
  for (const auto& c : cases) {
    form.SetGaugeProgress(form.ggCurrent, c.value);
    EXPECT_EQ(form.ggCurrent->Progress(), c.progress) << "value " << c.value;
  }
}

TEST_F(ProgressModel, GaugeRepaintsOnlyWhenItsPercentageChanges) {
  form.Show();
  const struct {
    int value;
    bool repaints;
  } steps[] = {{8, true},    {8, false}, {16, true}, {150, true}, {100, false},
               {120, false}, {-5, true}, {0, false}, {-9, false}};
  for (const auto& step : steps) {
    const int before = window.updates;
    form.SetGaugeProgress(form.ggCurrent, step.value);
    EXPECT_EQ(window.updates - before, step.repaints ? 1 : 0) << "value " << step.value;
  }
}

TEST_F(ProgressModel, PaintsPanelBevelsLabelsAndGauge) {
  form.Show();
  form.SetLabelCaption(form.lbTotalPage, form.lbTotalPage->Caption() + "12");
  form.SetGaugeProgress(form.ggCurrent, 50);
  const MemoryCanvas picture = Paint();

  // The panel: a raised outer bevel, a lowered inner one, its own colour inside.
  EXPECT_EQ(picture.At(0, 0), kWhite);
  EXPECT_EQ(picture.At(465, 116), kGrey);
  EXPECT_EQ(picture.At(1, 1), kGrey);
  EXPECT_EQ(picture.At(464, 115), kWhite);
  EXPECT_EQ(picture.At(300, 30), kPanel);
  EXPECT_FALSE(picture.Contains(0xFA8D7A)) << "the window's own colour lies under the panel";

  // The gauge: a single black border, half of its inner width in the bar colour.
  EXPECT_EQ(picture.At(16, 72), kBlack);
  EXPECT_EQ(picture.At(448, 96), kBlack);
  const int barEnd = 17 + 431 * 50 / 100;
  EXPECT_EQ(picture.At(17, 74), 0xFF0000u);
  EXPECT_EQ(picture.At(barEnd - 1, 74), 0xFF0000u);
  EXPECT_EQ(picture.At(barEnd, 74), kWhite);
  EXPECT_EQ(picture.At(447, 95), kWhite);

  // Its percentage, centred, in the background colour over the bar and the font colour
  // beside it.
  const auto percent = picture.TextsOf("50%");
  ASSERT_EQ(percent.size(), 2u);
  const platform::PixelSize size = form.TextExtent("50%", form.ggCurrent->Font());
  for (const auto& t : percent) {
    EXPECT_EQ(t.x, 16 + (433 - size.width) / 2);
    EXPECT_EQ(t.y, 72 + (25 - size.height) / 2);
    EXPECT_EQ(t.font.face, "宋体");
    EXPECT_EQ(t.font.height, 12);
  }
  EXPECT_EQ(percent[0].color, kWhite);
  EXPECT_EQ(percent[0].clip.left + percent[0].clip.width, barEnd);
  EXPECT_EQ(percent[1].color, kBlack);
  EXPECT_EQ(percent[1].clip.left, barEnd);

  // The visible labels on the panel's colour; the hidden ones not at all.
  const auto total = picture.TextsOf(std::string(kTotalPage) + "12");
  ASSERT_EQ(total.size(), 1u);
  EXPECT_EQ(total[0].x, 16);
  EXPECT_EQ(total[0].y, 24);
  EXPECT_EQ(total[0].color, kBlack);
  EXPECT_EQ(picture.At(16 + 59, 24 + 11), kPanel) << "the label's own background";
  EXPECT_EQ(picture.TextsOf(kCurProgress).size(), 1u);
  EXPECT_TRUE(picture.TextsOf(kPath).empty());
  EXPECT_TRUE(picture.TextsOf(kFileName).empty());
}

TEST_F(ProgressModel, GaugeBarCoversItsShareOfTheWidth) {
  for (int value : {0, 1, 33, 99, 100}) {
    form.SetGaugeProgress(form.ggCurrent, value);
    const MemoryCanvas picture = Paint();
    const int bar = 431 * value / 100;
    for (int x = 17; x < 17 + 431; ++x) {
      ASSERT_EQ(picture.At(x, 74), x < 17 + bar ? 0xFF0000u : kWhite)
          << "value " << value << " at x " << x;
    }
  }
}

TEST_F(ProgressModel, ShowAndRefreshAskThePopupOnlyWhileShown) {
  form.Invalidate();
  form.Refresh();
  form.Hide();
  EXPECT_EQ(window.invalidates + window.updates + window.hides, 0);
  form.Show();
  EXPECT_EQ(window.creates, 1);
  form.SetLabelCaption(form.lbTotalPage, "n");  // repainted at the next dispatch
  EXPECT_GT(window.invalidates, 0);
  form.Refresh();
  EXPECT_EQ(window.updates, 1);
  form.Hide();
  form.Hide();
  EXPECT_EQ(window.hides, 1);
}

// Where a press lands and whether it starts a move: the window and the panel move it, the
// labels and the gauge do not; hidden labels catch nothing.
TEST_F(ProgressModel, PressOnTheBackgroundStartsAMove) {
  form.Show();
  ShiftState control;
  control.control = true;
  const struct {
    const char* where;
    int x, y;
    MouseButton button;
    ShiftState shift;
    bool moves;
  } presses[] = {
      {"panel, left button", 5, 5, MouseButton::kLeft, {}, true},
      {"panel, right button", 400, 30, MouseButton::kRight, {}, true},
      {"panel, middle button, with Ctrl", 300, 60, MouseButton::kMiddle, control, true},
      {"panel bevel", 0, 116, MouseButton::kLeft, {}, true},
      {"hidden lbPath beside the gauge", 452, 85, MouseButton::kLeft, {}, true},
      {"lbTotalPage", 20, 26, MouseButton::kLeft, {}, false},
      {"lbCurProgress", 90, 50, MouseButton::kRight, {}, false},
      {"gauge", 100, 80, MouseButton::kLeft, {}, false},
      {"gauge under the hidden lbFileName", 300, 85, MouseButton::kLeft, {}, false},
  };
  for (const auto& press : presses) {
    const int before = window.moves;
    window.client->WindowMouseDown(press.button, press.shift, press.x, press.y);
    EXPECT_EQ(window.moves - before, press.moves ? 1 : 0) << press.where;
  }
}

constexpr platform::RgbColor kRed = 0x0000FF, kBlue = 0xFF0000;

// FV_Set_Progress_Style goes to the controller, which recolours the one window.
class ProgressStyle : public ::testing::Test {
 protected:
  void SetUp() override { unsetenv("DISPLAY"); }
  controller::TFolivex folivex;
};

TEST_F(ProgressStyle, ReachesTheControlsItNames) {
  TfrmProgress& form = *frmProgress;
  form.Show();
  form.SetGaugeProgress(form.ggCurrent, 50);
  folivex.SetProgressStyle(0x0000FF, 0xFFFFFF, 0xFF0000, 0x000000);

  EXPECT_EQ(form.Color(), 0x0000FF);
  EXPECT_EQ(form.ggCurrent->BackColor(), 0xFFFFFF);
  EXPECT_EQ(form.ggCurrent->ForeColor(), 0xFF0000);
  for (TLabel* label : {form.lbCurProgress, form.lbFileName, form.lbPath, form.lbTotalPage}) {
    EXPECT_EQ(label->FontColor(), 0x000000);
  }
  EXPECT_EQ(form.panBackGround->Color(), 14079963) << "the panel keeps its colour";
  EXPECT_EQ(form.ggCurrent->FontColor(), clWindowText) << "the percentage keeps its colour";

  MemoryCanvas picture(466, 117);
  form.PaintTo(picture);
  EXPECT_FALSE(picture.Contains(kRed)) << "the window's red stays under the panel";
  EXPECT_EQ(picture.At(20, 74), kBlue);
  EXPECT_EQ(picture.At(440, 74), kWhite);
}

TEST_F(ProgressStyle, LastsUntilTheNextCallAndSurvivesTheReset) {
  TfrmProgress& form = *frmProgress;
  folivex.SetProgressStyle(0x0000FF, 0x00FFFF, 0x00A000, 0x0000C0);
  form.Show();  // the reset runs
  form.SetGaugeProgress(form.ggCurrent, 50);

  MemoryCanvas picture(466, 117);
  form.PaintTo(picture);
  EXPECT_EQ(picture.At(20, 74), 0x00A000u);
  EXPECT_EQ(picture.At(440, 74), 0x00FFFFu);
  EXPECT_EQ(picture.At(300, 30), kPanel);
  const auto total = picture.TextsOf(kTotalPage);
  ASSERT_EQ(total.size(), 1u);
  EXPECT_EQ(total[0].color, 0x0000C0u);
  const auto percent = picture.TextsOf("50%");
  ASSERT_EQ(percent.size(), 2u);
  EXPECT_EQ(percent[1].color, kBlack) << "the percentage does not take the label colour";
  EXPECT_EQ(percent[0].color, 0x00FFFFu);
}

TEST(SystemColors, NegativeColoursNameSystemColours) {
  EXPECT_EQ(ColorToRgb(clWindowText), 0u);
  EXPECT_EQ(ColorToRgb(clBtnHighlight), 0xFFFFFFu);
  EXPECT_EQ(ColorToRgb(clBtnShadow), 0x808080u);
  EXPECT_EQ(ColorToRgb(0x00123456), 0x123456u);
  EXPECT_EQ(ColorToRgb(0x02123456), 0x123456u) << "the high byte carries no colour";
}

// Without a display the real popup is the model alone: nothing drawn, nothing fails,
// nothing printed.
class WithoutDisplay : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (GetParam()) {
      setenv("DISPLAY", GetParam(), 1);
    } else {
      unsetenv("DISPLAY");
    }
  }
  void TearDown() override { unsetenv("DISPLAY"); }
};

TEST_P(WithoutDisplay, TheWindowIsAModelThatNeverFails) {
  const std::string printed = Captured([] {
    TfrmProgress form;
    form.Show();
    EXPECT_TRUE(form.Visible());
    form.SetLabelCaption(form.lbTotalPage, form.lbTotalPage->Caption() + "12");
    form.Refresh();
    for (int page = 1; page <= 3; ++page) {
      platform::ProcessPendingMessages();
      form.SetGaugeProgress(form.ggCurrent, page * 8);
    }
    form.SetProgressStyle(0x0000FF, 0xFFFFFF, 0xFF0000, 0);
    form.Hide();
    EXPECT_EQ(form.ggCurrent->Progress(), 24);
    // Without the desktop's fonts the labels measure in character cells.
    EXPECT_EQ(form.lbTotalPage->Bounds().width, 60);
    EXPECT_EQ(form.lbPath->Bounds().width, 120);
  });
  EXPECT_EQ(printed, "");
}

std::string DisplayCase(const ::testing::TestParamInfo<const char*>& param) {
  const char* names[] = {"unset", "empty", "absent_server", "malformed"};
  return names[param.index];
}

INSTANTIATE_TEST_SUITE_P(Displays, WithoutDisplay,
                         ::testing::Values(nullptr, "", ":4711", "not-a-display-name"),
                         DisplayCase);

}  // namespace
}  // namespace fv::progress
