// The popup window with GDI: a layered (alpha-blended), top-most window without a frame,
// painted through an off-screen bitmap and copied to the screen in one step.
//
// The window class is registered when the first window is made and unregistered with the
// last one: the system would keep a class of an unloaded DLL, with its window procedure
// pointing at code that is gone, and a DLL loaded again could not register its own.
#include "platform/win32/win32_api.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "platform/native_window.h"

namespace fv::platform {
namespace {

constexpr char kClassName[] = "FolivexProgressWindow";
// The dispatch of pending messages stops after this many, so that a window that keeps
// posting to itself cannot hold the caller.
constexpr int kMostMessagesPerDispatch = 1000;

std::wstring Wide(std::string_view narrow) {
  if (narrow.empty()) return {};
  const int length = static_cast<int>(narrow.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, narrow.data(), length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(std::max(size, 0)), L'\0');
  if (size > 0) MultiByteToWideChar(CP_ACP, 0, narrow.data(), length, wide.data(), size);
  return wide;
}

// Wide characters (East Asian wide and full-width) take a whole cell, others half.
bool IsWide(wchar_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6);
}

// What a text measures in the character cells of a CJK screen font.
PixelSize CellSize(std::string_view text, int height) {
  int width = 0;
  const std::wstring wide = Wide(text);
  for (size_t i = 0; i < wide.size(); ++i) {
    const wchar_t c = wide[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size()) {
      ++i;  // a character beyond the basic plane: the CJK extensions are wide
      width += height;
      continue;
    }
    width += IsWide(c) ? height : height / 2;
  }
  return {width, height};
}

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

// The fonts a window has drawn with, made once for each face and height.
class FontCache {
 public:
  FontCache() = default;
  FontCache(const FontCache&) = delete;
  FontCache& operator=(const FontCache&) = delete;
  ~FontCache() {
    for (auto& entry : fonts_) DeleteObject(entry.second);
  }
  HFONT Get(const FontSpec& spec) {
    auto key = std::make_pair(spec.face, spec.height);
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second;
    // The default character set lets the font mapper pick by the face's name first and,
    // when the face is missing, by the system's own script.
    HFONT font = CreateFontW(-spec.height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, Wide(spec.face).c_str());
    if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    return fonts_[key] = font;
  }

 private:
  std::map<std::pair<std::string, int>, HFONT> fonts_;
};

PixelSize Measure(HDC dc, FontCache& fonts, std::string_view text, const FontSpec& font) {
  const std::wstring wide = Wide(text);
  HGDIOBJ old = SelectObject(dc, fonts.Get(font));
  SIZE size{0, 0};
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  if (!wide.empty()) GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
  SelectObject(dc, old);
  return {static_cast<int>(size.cx), static_cast<int>(metrics.tmHeight)};
}

class GdiCanvas final : public WindowCanvas {
 public:
  GdiCanvas(HDC dc, FontCache& fonts) : dc_(dc), fonts_(fonts) {}

  void FillRect(const PixelRect& rect, RgbColor color) override {
    if (rect.width <= 0 || rect.height <= 0) return;
    const RECT r{rect.left, rect.top, rect.left + rect.width, rect.top + rect.height};
    HBRUSH brush = CreateSolidBrush(color);
    ::FillRect(dc_, &r, brush);
    DeleteObject(brush);
  }

  void DrawText(int x, int y, std::string_view text, const FontSpec& font, RgbColor color,
                const PixelRect& clip) override {
    const std::wstring wide = Wide(text);
    if (wide.empty() || clip.width <= 0 || clip.height <= 0) return;
    const int saved = SaveDC(dc_);
    IntersectClipRect(dc_, clip.left, clip.top, clip.left + clip.width, clip.top + clip.height);
    SelectObject(dc_, fonts_.Get(font));
    SetTextColor(dc_, color);
    SetBkMode(dc_, TRANSPARENT);
    SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    TextOutW(dc_, x, y, wide.c_str(), static_cast<int>(wide.size()));
    RestoreDC(dc_, saved);
  }

  PixelSize MeasureText(std::string_view text, const FontSpec& font) override {
    return Measure(dc_, fonts_, text, font);
  }

 private:
  HDC dc_;
  FontCache& fonts_;
};

class Win32PopupWindow;

std::vector<Win32PopupWindow*>& LiveWindows() {
  static std::vector<Win32PopupWindow*> windows;
  return windows;
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

class Win32PopupWindow final : public NativeWindow {
 public:
  Win32PopupWindow(const PopupWindowOptions& options, NativeWindowClient& client)
      : options_(options), client_(client) {
    LiveWindows().push_back(this);
  }

  ~Win32PopupWindow() override {
    if (window_) {
      SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
      DestroyWindow(window_);
    }
    auto& live = LiveWindows();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    if (live.empty()) UnregisterClassA(kClassName, ThisModule());
  }

  bool Create() override {
    if (window_) return true;
    if (triedToCreate_) return false;
    triedToCreate_ = true;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &WindowProcedure;
    windowClass.hInstance = ThisModule();
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    // Already registered for another window of this library: that registration serves.
    if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      return false;
    }
    window_ = CreateWindowExA(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName,
                              options_.title.c_str(), WS_POPUP, 0, 0, options_.width,
                              options_.height, nullptr, nullptr, ThisModule(), this);
    if (!window_) return false;
    SetLayeredWindowAttributes(window_, 0, options_.alpha, LWA_ALPHA);
    return true;
  }

  void Show() override {
    if (!Create()) return;
    // Centred every time it shows: the desktop may have changed, or the user moved it.
    const int x = (GetSystemMetrics(SM_CXSCREEN) - options_.width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - options_.height) / 2;
    SetWindowPos(window_, HWND_TOPMOST, x, y, options_.width, options_.height,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);
  }

  void Hide() override {
    if (window_) ShowWindow(window_, SW_HIDE);
  }

  void Invalidate() override {
    if (window_) InvalidateRect(window_, nullptr, FALSE);
  }

  void Update() override {
    if (!window_ || !IsWindowVisible(window_)) return;
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);
  }

  void BeginMouseMove() override {
    if (!window_) return;
    // The system moves the window with the mouse, as it does when a caption bar is
    // dragged: SC_MOVE with the caption's hit-test code.
    ReleaseCapture();
    SendMessageA(window_, WM_SYSCOMMAND, 0xF012, 0);
  }

  PixelSize MeasureText(std::string_view text, const FontSpec& font) override {
    if (!window_) return CellSize(text, font.height);
    HDC dc = GetDC(window_);
    const PixelSize size = Measure(dc, fonts_, text, font);
    ReleaseDC(window_, dc);
    return size;
  }

  void DispatchEvents() {
    if (!window_) return;
    MSG message;
    for (int handled = 0;
         handled < kMostMessagesPerDispatch && PeekMessageA(&message, window_, 0, 0, PM_REMOVE);
         ++handled) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (window_) UpdateWindow(window_);
  }

  LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_PAINT:
        Paint();
        return 0;
      case WM_ERASEBKGND:
        return 1;  // the paint covers every pixel
      case WM_LBUTTONDOWN:
        return MouseDown(MouseButton::kLeft, wParam, lParam);
      case WM_RBUTTONDOWN:
        return MouseDown(MouseButton::kRight, wParam, lParam);
      case WM_MBUTTONDOWN:
        return MouseDown(MouseButton::kMiddle, wParam, lParam);
      case WM_XBUTTONDOWN:
        MouseDown(MouseButton::kExtra, wParam, lParam);
        return TRUE;
      case WM_CLOSE:
        // The window lives as long as the library; only the conversion hides it.
        return 0;
      case WM_NCDESTROY:
        window_ = nullptr;
        break;
      default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }

  void Attach(HWND window) { window_ = window; }

 private:
  void Paint() {
    PAINTSTRUCT paint;
    HDC screen = BeginPaint(window_, &paint);
    RECT client;
    GetClientRect(window_, &client);
    HDC buffer = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ oldBitmap = SelectObject(buffer, bitmap);
    const int saved = SaveDC(buffer);
    GdiCanvas canvas(buffer, fonts_);
    client_.PaintWindow(canvas);
    RestoreDC(buffer, saved);
    BitBlt(screen, 0, 0, client.right, client.bottom, buffer, 0, 0, SRCCOPY);
    SelectObject(buffer, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(buffer);
    EndPaint(window_, &paint);
  }

  LRESULT MouseDown(MouseButton button, WPARAM wParam, LPARAM lParam) {
    ShiftState shift;
    const auto keys = GET_KEYSTATE_WPARAM(wParam);
    shift.shift = (keys & MK_SHIFT) != 0;
    shift.control = (keys & MK_CONTROL) != 0;
    shift.alt = GetKeyState(VK_MENU) < 0;
    shift.left = (keys & MK_LBUTTON) != 0;
    shift.right = (keys & MK_RBUTTON) != 0;
    shift.middle = (keys & MK_MBUTTON) != 0;
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    client_.WindowMouseDown(button, shift, x, y);
    return 0;
  }

  PopupWindowOptions options_;
  NativeWindowClient& client_;
  HWND window_ = nullptr;
  bool triedToCreate_ = false;
  FontCache fonts_;
};

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    auto* owner = static_cast<Win32PopupWindow*>(create->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    owner->Attach(window);
  }
  auto* owner = reinterpret_cast<Win32PopupWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!owner) return DefWindowProcA(window, message, wParam, lParam);
  return owner->Handle(window, message, wParam, lParam);
}

}  // namespace

std::unique_ptr<NativeWindow> CreatePopupWindow(const PopupWindowOptions& options,
                                                NativeWindowClient& client) {
  return std::make_unique<Win32PopupWindow>(options, client);
}

void DispatchWindowEvents() {
  // A copy: a window's handler may make or destroy windows.
  const std::vector<Win32PopupWindow*> windows = LiveWindows();
  for (Win32PopupWindow* window : windows) {
    const auto& live = LiveWindows();
    if (std::find(live.begin(), live.end(), window) != live.end()) window->DispatchEvents();
  }
}

RgbColor SystemColor(int index) {
  // COLORREF has the same layout: red in the low byte.
  if (index < 0 || index > COLOR_MENUBAR) return 0;
  return GetSysColor(index);
}

}  // namespace fv::platform
