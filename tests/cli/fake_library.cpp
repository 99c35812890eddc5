// A stand-in for the library, for the command's tests of what no real conversion does on
// demand: a host process that dies in the middle of a file, and a file that never ends.
// A source whose name holds "crash" kills the process, one whose name holds "hang" sleeps
// for five minutes; any other is "converted" into one file that holds its name.
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "folivex.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
HWND g_window = nullptr;
std::string g_folder;
}  // namespace

FAKE_EXPORT void FV_Initialization(HWND window) {
  g_window = window;
}
FAKE_EXPORT int FV_Set_SavePath(const char* path) {
  g_folder = path ? path : "";
  std::error_code failed;
  std::filesystem::create_directories(g_folder, failed);
  return failed ? 0 : 1;
}
FAKE_EXPORT void FV_Set_FirstChar(const char*) {}
FAKE_EXPORT void FV_Set_StartPageNumber(int) {}
FAKE_EXPORT void FV_Set_Progress_Style(int, int, int, int) {}

FAKE_EXPORT int FV_LoadFile(const char* fileName, TConvertRange*) {
  const std::string name = fileName ? fileName : "";
  // Killed outright: a sanitizer would turn a fault into an exit of its own.
  if (name.find("crash") != std::string::npos) raise(SIGKILL);
  if (name.find("hang") != std::string::npos) sleep(300);
  const std::string path = g_folder + "/000001.htm";
  std::ofstream(path) << name;
  SendMessageA(g_window, WM_CONVERT_NOTIFY, 0, reinterpret_cast<LPARAM>(path.c_str()));
  SendMessageA(g_window, WM_CONVERT_NOTIFY, 1, 1);
  return 1;
}
