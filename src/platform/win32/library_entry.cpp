// The library's entry point: the system calls it when the DLL is loaded into a process
// and when it is unloaded.
#include "platform/win32/win32_api.h"

#include "entry/entry.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  try {
    if (reason == DLL_PROCESS_ATTACH) {
      fv::entry::LibraryAttach();
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
      // Only on FreeLibrary: when the process ends (reserved set) its other threads and
      // the DLLs the teardown needs are already gone, and the system frees everything.
      fv::entry::LibraryDetach();
    }
  } catch (...) {
    // Nothing may leave the entry point; a controller that could not be made leaves the
    // exports doing nothing.
  }
  return TRUE;
}
