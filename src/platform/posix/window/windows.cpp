// Windows of the POSIX windowing services: a handle per registered procedure, messages sent
// synchronously or posted to one queue.
#include <deque>
#include <memory>
#include <unordered_map>

#include "folivex_window.h"

struct fvw_window {
  WNDPROC procedure;
  void* userData;
};

namespace {

struct Posted {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// A handle is a number, never an address: numbers are not reused while the process runs,
// so a destroyed handle can never reach a later window.
std::unordered_map<HWND, std::unique_ptr<fvw_window>>& Windows() {
  static auto* windows = new std::unordered_map<HWND, std::unique_ptr<fvw_window>>();
  return *windows;
}

uintptr_t g_lastHandle = 0;

std::deque<Posted>& Queue() {
  static auto* queue = new std::deque<Posted>();
  return *queue;
}

fvw_window* Find(HWND window) {
  auto it = Windows().find(window);
  return it == Windows().end() ? nullptr : it->second.get();
}

}  // namespace

extern "C" {

HWND fvw_CreateWindow(WNDPROC procedure, void* userData) {
  HWND handle = reinterpret_cast<HWND>(++g_lastHandle);
  Windows().emplace(handle, std::make_unique<fvw_window>(fvw_window{procedure, userData}));
  return handle;
}

void* fvw_GetWindowData(HWND window) {
  fvw_window* w = Find(window);
  return w ? w->userData : nullptr;
}

int fvw_DestroyWindow(HWND window) {
  return Windows().erase(window) ? 1 : 0;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  fvw_window* w = Find(window);
  if (!w || !w->procedure) return 0;
  return w->procedure(window, message, wParam, lParam);
}

int PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!Find(window)) return 0;
  Queue().push_back({window, message, wParam, lParam});
  return 1;
}

int fvw_DispatchPostedMessages(void) {
  int delivered = 0;
  while (!Queue().empty()) {
    Posted p = Queue().front();
    Queue().pop_front();
    SendMessageA(p.window, p.message, p.wParam, p.lParam);
    ++delivered;
  }
  return delivered;
}

}  // extern "C"
