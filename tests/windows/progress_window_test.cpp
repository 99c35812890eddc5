// The progress window as the Windows desktop sees it: a layered, top-most popup without a
// frame, centred, painted with the panel, labels and gauge, and moved by the system when
// its background is pressed.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "progress/UnitProgress.h"

namespace fv::progress {
namespace {

std::vector<WPARAM> g_sysCommands;
WNDPROC g_original = nullptr;

// Records WM_SYSCOMMAND and swallows it: the system's move would wait for the mouse.
LRESULT CALLBACK Recording(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SYSCOMMAND) {
    g_sysCommands.push_back(wParam);
    return 0;
  }
  return CallWindowProcA(g_original, window, message, wParam, lParam);
}

class ProgressWindow : public ::testing::Test {
 protected:
  ProgressWindow() {
    frmProgress = &form;
    form.Show();
    window = FindWindowA("FolivexProgressWindow", nullptr);
  }
  ~ProgressWindow() override {
    if (g_original && window) {
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_original));
    }
    g_original = nullptr;
    g_sysCommands.clear();
    frmProgress = nullptr;
  }
  COLORREF Pixel(int x, int y) {
    HDC dc = GetDC(window);
    const COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return color;
  }

  TfrmProgress form;
  HWND window = nullptr;
};

TEST_F(ProgressWindow, LayeredTopMostPopupInTheMiddle) {
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindowVisible(window));
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & WS_CAPTION);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
  EXPECT_TRUE(exStyle & WS_EX_LAYERED);
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(window, nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 218);
  EXPECT_TRUE(flags & LWA_ALPHA);
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 466);
  EXPECT_EQ(client.bottom, 117);
  RECT bounds;
  GetWindowRect(window, &bounds);
  EXPECT_NEAR(bounds.left, (GetSystemMetrics(SM_CXSCREEN) - 466) / 2, 1);
  EXPECT_NEAR(bounds.top, (GetSystemMetrics(SM_CYSCREEN) - 117) / 2, 1);
  char title[256] = {};
  GetWindowTextA(window, title, sizeof title);
  EXPECT_EQ(std::string(title), form.Caption());
  form.Hide();
  EXPECT_FALSE(IsWindowVisible(window));
}

TEST_F(ProgressWindow, PaintsPanelBevelAndGauge) {
  ASSERT_NE(window, nullptr);
  form.SetGaugeProgress(form.ggCurrent, 50);
  form.Refresh();
  // The panel's own colour inside its bevels, its raised outer bevel in the button
  // highlight at the top-left corner.
  EXPECT_EQ(Pixel(230, 8), RGB(219, 215, 214));
  EXPECT_EQ(Pixel(0, 0), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(Pixel(465, 116), GetSysColor(COLOR_BTNSHADOW));
  // The gauge: blue bar for the first half, white for the rest (clear of the text).
  EXPECT_EQ(Pixel(30, 76), RGB(0, 0, 255));
  EXPECT_EQ(Pixel(430, 76), RGB(255, 255, 255));
  // Recoloured through the style: the gauge takes the new colours at once.
  form.SetProgressStyle(0x0000FF, 0x00FF00, 0x000000, 0);
  EXPECT_EQ(Pixel(30, 76), RGB(0, 0, 0));
  EXPECT_EQ(Pixel(430, 76), RGB(0, 255, 0));
}

TEST_F(ProgressWindow, PressOnTheBackgroundMovesTheWindow) {
  ASSERT_NE(window, nullptr);
  g_original = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Recording)));
  struct Case {
    UINT message;
    int x, y;
    bool moves;
  } cases[] = {
      {WM_LBUTTONDOWN, 230, 8, true},    // the panel
      {WM_RBUTTONDOWN, 230, 8, true},    // any button
      {WM_LBUTTONDOWN, 100, 84, false},  // the gauge has no handler
  };
  for (const Case& c : cases) {
    g_sysCommands.clear();
    SetCapture(window);
    SendMessageA(window, c.message, 0, MAKELPARAM(c.x, c.y));
    if (c.moves) {
      EXPECT_EQ(g_sysCommands, std::vector<WPARAM>{0xF012}) << c.x << "," << c.y;
      EXPECT_EQ(GetCapture(), nullptr) << "the capture is released first";
    } else {
      EXPECT_TRUE(g_sysCommands.empty()) << c.x << "," << c.y;
      ReleaseCapture();
    }
  }
}

}  // namespace
}  // namespace fv::progress
