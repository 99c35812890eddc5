// The clipboard of the POSIX windowing services: one slot in the process, never the
// desktop's clipboard.
#include <string>

#include "folivex_window.h"

namespace {

struct Slot {
  std::string format;
  void* object = nullptr;
  void (*release)(void*) = nullptr;
};

Slot g_slot;
bool g_open = false;

void ReleaseSlot() {
  Slot old = g_slot;
  g_slot = Slot{};
  if (old.object && old.release) old.release(old.object);
}

}  // namespace

extern "C" {

int OpenClipboard(HWND) {
  if (g_open) return 0;
  g_open = true;
  return 1;
}

int CloseClipboard(void) {
  if (!g_open) return 0;
  g_open = false;
  return 1;
}

int EmptyClipboard(void) {
  if (!g_open) return 0;
  ReleaseSlot();
  return 1;
}

void fvw_SetClipboardObject(const char* format, void* object, void (*release)(void*)) {
  ReleaseSlot();
  g_slot = Slot{format ? format : "", object, release};
}

void* fvw_GetClipboardObject(const char* format) {
  if (!g_slot.object || g_slot.format != (format ? format : "")) return nullptr;
  return g_slot.object;
}

}  // extern "C"
