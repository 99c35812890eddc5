// The six functions a host calls. Every one forwards to the controller; no exception ever
// leaves them.
#include <string>

#include "controller/UnitFolivex.h"
#include "folivex.h"
#include "platform/files.h"

// The build may name the export mechanism (the Windows build exports through a .def file).
#ifndef FV_EXPORT
#define FV_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using fv::controller::Folivex;

namespace {

// Makes the folder and every missing folder above it. A path that is a root of folder
// creation, or an existing folder, counts as done; a failure at any level fails it all.
// Delimiters are found by whole characters: a double-byte character may end in "\".
bool ForceFolders(std::string path) {
  if (!path.empty() && fv::platform::FolderPartLength(path) == path.size()) path.pop_back();
  if (fv::platform::IsFolderCreationRoot(path) || fv::platform::FolderExists(path)) return true;
  return ForceFolders(path.substr(0, fv::platform::FolderPartLength(path))) &&
         fv::platform::CreateFolder(path);
}

}  // namespace

FV_EXPORT void FV_CALL FV_Initialization(HWND hostWindow) {
  if (Folivex) Folivex->HostWindow = hostWindow;
}

FV_EXPORT int FV_CALL FV_Set_SavePath(const char* path) {
  if (!Folivex || !path || !*path) return 0;
  try {
    const std::string folder(path);
    if (!fv::platform::FolderExists(folder) && !ForceFolders(folder)) return 0;
    Folivex->SetSavePath(path);
    return 1;
  } catch (...) {
    return 0;
  }
}

FV_EXPORT void FV_CALL FV_Set_FirstChar(const char* prefix) {
  if (!Folivex) return;
  try {
    Folivex->SetFirstChar(prefix);
  } catch (...) {
  }
}

FV_EXPORT void FV_CALL FV_Set_StartPageNumber(int number) {
  if (Folivex) Folivex->SetStartPageNumber(number);
}

FV_EXPORT void FV_CALL FV_Set_Progress_Style(int formColor, int gaugeBackColor, int gaugeForeColor,
                                             int labelColor) {
  if (!Folivex) return;
  try {
    Folivex->SetProgressStyle(formColor, gaugeBackColor, gaugeForeColor, labelColor);
  } catch (...) {
  }
}

FV_EXPORT int FV_CALL FV_LoadFile(const char* fileName, TConvertRange* range) {
  if (!Folivex) return 0;
  try {
    return Folivex->LoadFile(fileName, range);
  } catch (...) {
    return 0;
  }
}
