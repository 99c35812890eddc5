// The Word conversion engine: one per source file. It starts (or attaches to) the word
// processor, opens the source, converts it into HTML files, one for the whole document or
// one per page, and asks the word processor to quit when it goes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "automation/Variant.h"
#include "automation/Wrappers.h"
#include "folivex.h"
#include "platform/window.h"

namespace fv::word {

class TDOCFolivex {
 public:
  // Connects to the word processor, hides it and turns off its background checks; reports
  // a failure to `hostWindow` (100, 101) and returns normally all the same.
  explicit TDOCFolivex(platform::WindowHandle hostWindow);
  // Empties the clipboard and asks the word processor to quit (102 on failure).
  ~TDOCFolivex();
  TDOCFolivex(const TDOCFolivex&) = delete;
  TDOCFolivex& operator=(const TDOCFolivex&) = delete;

  // Opens the source; 1 when it is open and connected, 0 after 103.
  int OpenDocument(const char* fileName);
  // Converts the open source; the number of files written, 0 on failure. Rewrites the
  // host's range with its normalised bounds.
  int ConvertDocument(TConvertRange* range);
  // Failure cleanup: disconnects and frees both wrappers (109 and EAbort on failure).
  void ReleaseWord();

  void SetSavePath(const char* path) { SavePath = path ? path : ""; }
  void SetFirstChar(const std::string& prefix) { FirstChar = prefix; }
  void SetHostWindow(platform::WindowHandle hostWindow) { HostWindow = hostWindow; }
  void SetStartPageNumber(int number) { StartPageNumber = number; }
  std::string GetSavePath() const { return SavePath; }
  std::string GetFirstChar() const { return FirstChar; }

  // Output naming.
  std::string MakeOutputName(int32_t number) const;
  std::string MakeOutputPath(const std::string& name) const;

  // Page location: the whole text, or page i of `pageCount`, onto the clipboard.
  void CopyWholeDocument();
  void CopyPage(int32_t i, int32_t pageCount);

  // Page document export.
  void AddPageDocument(const automation::Variant& templateName,
                       const automation::Variant& newTemplate,
                       const automation::Variant& documentType, const automation::Variant& visible);
  // False when the paste failed (after 106): nothing was saved.
  bool ExportPage(const automation::Variant& fileFormat, const std::string& fileName);
  void InsertPageFrameTable(const automation::Variant& defaultTableBehavior,
                            const automation::Variant& autoFitBehavior, int32_t topLineStyle,
                            int32_t leftLineStyle, int32_t rightLineStyle, int32_t bottomLineStyle);
  void SavePageAs(const automation::Variant& fileFormat, const std::string& fileName);
  void ClosePageDocument(const automation::Variant& saveChanges,
                         const automation::Variant& originalFormat,
                         const automation::Variant& routeDocument);

  std::unique_ptr<automation::TWordApplication> WordApplication;
  std::unique_ptr<automation::TWordDocument> WordDocument;
  platform::WindowHandle HostWindow;
  std::string SavePath;
  std::string FirstChar;
  int32_t StartPageNumber = 0;

 private:
  void SendError(uintptr_t code) const;
  int ConvertWholeDocument();
  int ConvertPages(const TConvertRange& range, int32_t pageCount);
  int32_t PageCount();
  automation::Application* App();

  // The page number handed to every page GoTo of a run; only the way for pages other than
  // the last stores into it.
  automation::Variant pageNumber_;
};

}  // namespace fv::word
