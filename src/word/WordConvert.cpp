// The conversion driver: the page count, the host's range, and the two modes.
#include <string>

#include "controller/Notifications.h"
#include "platform/clipboard.h"
#include "platform/message_pump.h"
#include "progress/UnitProgress.h"
#include "word/AutomationChecks.h"
#include "word/UnitWord.h"

namespace fv::word {

using automation::Application;
using automation::ComPtr;
using automation::EAbort;
using automation::Exception;
using automation::Range;
using automation::Variant;
using progress::frmProgress;

namespace {

// The arguments every page document gets.
struct PageDocumentArguments {
  Variant templateName = Variant::Omitted();
  Variant newTemplate = Variant::Omitted();
  Variant documentType = Variant::Omitted();
  Variant visible = Variant::Empty();
  Variant fileFormat = Variant::Int(automation::wdFormatHTML);
  Variant closeArgument = Variant::Empty();
};

}  // namespace

int32_t TDOCFolivex::PageCount() {
  ComPtr<Range> whole;
  CHECKED(CHECKED_INTF(WordDocument->DefaultInterface())
              ->Range(Variant::Omitted(), Variant::Omitted(), whole.Out()));
  Variant pages;
  CHECKED(
      CHECKED_INTF(whole.Get())->get_Information(automation::wdNumberOfPagesInDocument, &pages));
  int32_t count = 0;
  if (pages.Type() != automation::VT_I4 || (count = pages.IntValue()) < 0) {
    throw Exception("The word processor gave no page count");
  }
  return count;
}

int TDOCFolivex::ConvertDocument(TConvertRange* range) {
  pageNumber_ = Variant::Int(0);

  int32_t pageCount = 0;
  try {
    pageCount = PageCount();
  } catch (...) {
    SendError(kErrorPageCount);
    ReleaseWord();
    throw EAbort();
  }

  if (range->FromPage < 0) range->FromPage = 0;
  if (range->ToPage < 0) range->ToPage = 0;
  if (range->ToPage < range->FromPage) std::swap(range->FromPage, range->ToPage);
  if (range->FromPage > pageCount) {
    SendError(kErrorRange);
    return 0;
  }
  if (range->ToPage > pageCount) range->ToPage = pageCount;

  return range->PerPage == 0 ? ConvertWholeDocument() : ConvertPages(*range, pageCount);
}

int TDOCFolivex::ConvertWholeDocument() {
  const PageDocumentArguments args;
  try {
    platform::ProcessPendingMessages();
    const std::string path = MakeOutputPath(MakeOutputName(StartPageNumber));
    CopyWholeDocument();
    AddPageDocument(args.templateName, args.newTemplate, args.documentType, args.visible);
    const bool saved = ExportPage(args.fileFormat, path);
    ClosePageDocument(args.closeArgument, args.closeArgument, args.closeArgument);
    WordDocument->Disconnect();
    // After a failed paste (106) nothing was written: no file to announce, no success.
    if (saved) {
      platform::SendWindowMessage(HostWindow, WM_CONVERT_NOTIFY, kNotifyFileWritten,
                                  reinterpret_cast<intptr_t>(path.c_str()));
    }
    platform::ClearClipboard();
    return saved ? 1 : 0;
  } catch (...) {
    SendError(kMinusOne);
    throw EAbort();
  }
}

int TDOCFolivex::ConvertPages(const TConvertRange& range, int32_t pageCount) {
  const PageDocumentArguments args;
  const bool rangeMode = range.FromPage != 0 || range.ToPage != 0;
  const int32_t first = rangeMode && range.FromPage > 1 ? range.FromPage : 1;
  const int32_t last = rangeMode ? range.ToPage : pageCount;
  const int32_t toConvert = last >= first ? last - first + 1 : 0;
  int filesWritten = 0;

  frmProgress->Show();
  frmProgress->SetLabelCaption(frmProgress->lbTotalPage,
                               frmProgress->lbTotalPage->Caption() + std::to_string(pageCount));
  frmProgress->Refresh();

  for (int32_t i = 1; i <= pageCount; ++i) {
    platform::ProcessPendingMessages();
    if (i < first) continue;
    if (i > last) break;
    // The gauge shows the share of the range's pages started.
    frmProgress->SetGaugeProgress(frmProgress->ggCurrent,
                                  static_cast<int>(100LL * (i - first + 1) / toConvert));

    CopyPage(i, pageCount);
    AddPageDocument(args.templateName, args.newTemplate, args.documentType, args.visible);
    const std::string path = MakeOutputPath(MakeOutputName(StartPageNumber + i - 1));
    const bool saved = ExportPage(args.fileFormat, path);
    ClosePageDocument(args.closeArgument, args.closeArgument, args.closeArgument);
    if (!saved) continue;  // 106 has been sent; no file was written for this page
    ++filesWritten;
    platform::SendWindowMessage(HostWindow, WM_CONVERT_NOTIFY, kNotifyFileWritten,
                                reinterpret_cast<intptr_t>(path.c_str()));
  }

  WordDocument->Disconnect();
  frmProgress->Hide();
  platform::ClearClipboard();
  return filesWritten;
}

}  // namespace fv::word
