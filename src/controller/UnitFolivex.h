// The controller behind the exported functions: it keeps the host's settings, owns the
// progress window, and for each source file picks the engine, runs it and reports.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "controller/Unitpdf.h"
#include "folivex.h"
#include "platform/window.h"

namespace fv::word {
class TDOCFolivex;
}

namespace fv::controller {

class TFolivex {
 public:
  TFolivex();
  // Destroys the progress window and releases an engine that is still held.
  ~TFolivex();
  TFolivex(const TFolivex&) = delete;
  TFolivex& operator=(const TFolivex&) = delete;

  // The work of FV_LoadFile: 1 when the file was handled, 0 when it is missing, could not
  // be converted, or the call came while another conversion runs. Never raises.
  int LoadFile(const char* fileName, TConvertRange* range);
  void CreateEngine(int sourceType);

  void SetFileName(const char* fileName);
  void SetSavePath(const char* path);
  void SetFirstChar(const char* prefix);
  std::string GetFirstChar() const { return FirstChar; }
  void SetStartPageNumber(int number) { StartPageNumber = number; }
  void SetProgressStyle(int formColor, int gaugeBackColor, int gaugeForeColor, int labelColor);
  int GetSourceType() const { return SourceType; }
  const std::string& GetSavePath() const { return SavePath; }

  std::unique_ptr<word::TDOCFolivex> DocEngine;
  std::unique_ptr<TPDFFolivex> PdfEngine;
  int32_t SourceType = 0;
  int32_t StartPageNumber = 1;  // the first output file is 000001.htm until the host says
  std::string FileName;
  std::string SavePath;
  std::string FirstChar;
  platform::WindowHandle HostWindow = nullptr;  // no window: messages go nowhere

 private:
  int ConvertWordFile(TConvertRange* range);
  void ReleaseEngines();
  void AbandonFile();
  void Notify(uint32_t message, uintptr_t wParam, intptr_t lParam) const;

  bool converting_ = false;
};

// The one controller of the loaded library.
extern TFolivex* Folivex;

}  // namespace fv::controller
