#include "controller/UnitFolivex.h"

#include <exception>

#include "controller/Notifications.h"
#include "environment/Unitregistry.h"
#include "platform/clipboard.h"
#include "platform/files.h"
#include "platform/text.h"
#include "progress/UnitProgress.h"
#include "word/UnitWord.h"

namespace fv::controller {

TFolivex* Folivex = nullptr;

using progress::frmProgress;

namespace {

bool PathContains(const std::string& path, const char* extension) {
  return platform::UpperCase(path).find(extension) != std::string::npos;
}

}  // namespace

TFolivex::TFolivex() {
  frmProgress = new progress::TfrmProgress();
}

TFolivex::~TFolivex() {
  ReleaseEngines();
  delete frmProgress;
  frmProgress = nullptr;
}

void TFolivex::SetFileName(const char* fileName) {
  FileName = fileName ? fileName : "";
}
void TFolivex::SetSavePath(const char* path) {
  SavePath = path ? path : "";
}
void TFolivex::SetFirstChar(const char* prefix) {
  FirstChar = prefix ? prefix : "";
}

void TFolivex::SetProgressStyle(int formColor, int gaugeBackColor, int gaugeForeColor,
                                int labelColor) {
  if (frmProgress) {
    frmProgress->SetProgressStyle(formColor, gaugeBackColor, gaugeForeColor, labelColor);
  }
}

void TFolivex::Notify(uint32_t message, uintptr_t wParam, intptr_t lParam) const {
  platform::SendWindowMessage(HostWindow, message, wParam, lParam);
}

void TFolivex::CreateEngine(int sourceType) {
  SourceType = sourceType;
  if (sourceType == 1) {
    environment::TCheckEnvironment environment;
    if (!environment.CheckInstalled()) {
      Notify(WM_CONVERT_ERROR, kErrorNotInstalled, 0);
      return;
    }
    if (environment.CheckVersion9() != 9 && environment.CheckVersion10() != 10) {
      Notify(WM_CONVERT_ERROR, kErrorVersion, 0);
      return;
    }
    DocEngine = std::make_unique<word::TDOCFolivex>(HostWindow);
    DocEngine->SetSavePath(SavePath.c_str());
    DocEngine->SetFirstChar(FirstChar);
    DocEngine->SetHostWindow(HostWindow);
    DocEngine->SetStartPageNumber(StartPageNumber);
  }
  if (SourceType == 2) PdfEngine = std::make_unique<TPDFFolivex>();
}

int TFolivex::LoadFile(const char* fileName, TConvertRange* range) {
  // Not re-entrant: a call from a message handler during a conversion is refused.
  if (converting_ || !range) return 0;
  SetFileName(fileName);
  if (!platform::FileExists(FileName)) return 0;

  if (PathContains(FileName, ".DOC") || SourceType == 1) {
    converting_ = true;
    int result = 0;
    try {
      result = ConvertWordFile(range);
    } catch (...) {
      // The file is abandoned: whatever was due has been sent.
      AbandonFile();
      result = 0;
    }
    converting_ = false;
    return result;
  }
  if (PathContains(FileName, ".PDF") || SourceType == 2) {
    CreateEngine(2);
    return 1;
  }
  ReleaseEngines();
  return 1;
}

int TFolivex::ConvertWordFile(TConvertRange* range) {
  CreateEngine(1);
  if (!DocEngine) return 0;  // the environment check failed and has said so
  if (DocEngine->OpenDocument(FileName.c_str()) == 1) {
    if (DocEngine->ConvertDocument(range) == 0) {
      Notify(WM_CONVERT_NOTIFY, kMinusOne, 0);
      ReleaseEngines();
      return 0;
    }
    Notify(WM_CONVERT_NOTIFY, kNotifyFinished, 1);
  }
  ReleaseEngines();
  return 1;
}

void TFolivex::ReleaseEngines() {
  DocEngine.reset();
  PdfEngine.reset();
}

void TFolivex::AbandonFile() {
  // Release at once: the word processor must not keep running with the documents open.
  try {
    DocEngine.reset();
  } catch (...) {
  }
  if (frmProgress) frmProgress->Hide();
  platform::ClearClipboard();
}

}  // namespace fv::controller
