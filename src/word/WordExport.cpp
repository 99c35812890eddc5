// The page document: added empty, the content pasted into a borderless, centred one-cell
// table, saved as HTML and closed again.
#include "controller/Notifications.h"
#include "platform/clipboard.h"
#include "platform/files.h"
#include "word/AutomationChecks.h"
#include "word/UnitWord.h"

namespace fv::word {

using automation::Application;
using automation::Border;
using automation::Borders;
using automation::ComPtr;
using automation::Document;
using automation::Documents;
using automation::EAbort;
using automation::Range;
using automation::Rows;
using automation::Selection;
using automation::Table;
using automation::Tables;
using automation::Variant;

namespace {

// The page document: the document added last is item 1.
ComPtr<Document> PageDocument(Application* app) {
  ComPtr<Documents> documents;
  CHECKED(app->get_Documents(documents.Out()));
  ComPtr<Document> document;
  CHECKED(CHECKED_INTF(documents.Get())->Item(Variant::Int(1), document.Out()));
  CHECKED_INTF(document.Get());
  return document;
}

ComPtr<Selection> CurrentSelection(Application* app) {
  ComPtr<Selection> selection;
  CHECKED(app->get_Selection(selection.Out()));
  CHECKED_INTF(selection.Get());
  return selection;
}

// A prefix that holds a folder delimiter would put the file outside the output folder.
bool PrefixStaysInFolder(const std::string& prefix) {
  return platform::FolderPartLength(prefix) == 0;
}

}  // namespace

void TDOCFolivex::AddPageDocument(const Variant& templateName, const Variant& newTemplate,
                                  const Variant& documentType, const Variant& visible) {
  ComPtr<Documents> documents;
  CHECKED(App()->get_Documents(documents.Out()));
  ComPtr<Document> added;
  CHECKED(CHECKED_INTF(documents.Get())
              ->Add(templateName, newTemplate, documentType, visible, added.Out()));
}

bool TDOCFolivex::ExportPage(const Variant& fileFormat, const std::string& fileName) {
  PageDocument(App())->Select();
  InsertPageFrameTable(Variant::Int(automation::wdWord9TableBehavior),
                       Variant::Int(automation::wdAutoFitFixed), automation::wdLineStyleNone,
                       automation::wdLineStyleNone, automation::wdLineStyleNone,
                       automation::wdLineStyleNone);
  try {
    CHECKED(CurrentSelection(App())->Paste());
  } catch (...) {
    SendError(kErrorPaste);
    platform::ClearClipboard();
    return false;
  }
  {
    ComPtr<Tables> tables;
    CHECKED(CurrentSelection(App())->get_Tables(tables.Out()));
    ComPtr<Table> table;
    CHECKED(CHECKED_INTF(tables.Get())->Item(1, table.Out()));
    ComPtr<Rows> rows;
    CHECKED(CHECKED_INTF(table.Get())->get_Rows(rows.Out()));
    CHECKED_INTF(rows.Get())->put_Alignment(automation::wdAlignRowCenter);
  }
  SavePageAs(fileFormat, fileName);
  return true;
}

void TDOCFolivex::InsertPageFrameTable(const Variant& defaultTableBehavior,
                                       const Variant& autoFitBehavior, int32_t topLineStyle,
                                       int32_t leftLineStyle, int32_t rightLineStyle,
                                       int32_t bottomLineStyle) {
  Application* app = App();
  {
    ComPtr<Tables> tables;
    CHECKED(PageDocument(app)->get_Tables(tables.Out()));
    ComPtr<Range> range;
    CHECKED(CurrentSelection(app)->get_Range(range.Out()));
    ComPtr<Table> added;
    CHECKED(CHECKED_INTF(tables.Get())
                ->Add(CHECKED_INTF(range.Get()), 1, 1, defaultTableBehavior, autoFitBehavior,
                      added.Out()));
  }
  const struct {
    int32_t index;
    int32_t style;
  } borders[] = {{automation::wdBorderTop, topLineStyle},
                 {automation::wdBorderLeft, leftLineStyle},
                 {automation::wdBorderRight, rightLineStyle},
                 {automation::wdBorderBottom, bottomLineStyle}};
  for (const auto& b : borders) {
    ComPtr<Tables> tables;
    CHECKED(PageDocument(app)->get_Tables(tables.Out()));
    ComPtr<Table> table;
    CHECKED(CHECKED_INTF(tables.Get())->Item(1, table.Out()));
    ComPtr<Borders> all;
    CHECKED(CHECKED_INTF(table.Get())->get_Borders(all.Out()));
    ComPtr<Border> border;
    CHECKED(CHECKED_INTF(all.Get())->Item(b.index, border.Out()));
    CHECKED_INTF(border.Get())->put_LineStyle(b.style);
  }
}

void TDOCFolivex::SavePageAs(const Variant& fileFormat, const std::string& fileName) {
  try {
    if (!PrefixStaysInFolder(FirstChar)) {
      throw automation::Exception("The file name leaves the output folder");
    }
    automation::SaveAsArguments save;
    save.fileName = Variant::String(fileName);
    save.fileFormat = fileFormat;
    save.lockComments = Variant::Bool(false);
    save.password = Variant::String(std::string());
    save.addToRecentFiles = Variant::Bool(true);
    save.writePassword = Variant::String(std::string());
    save.readOnlyRecommended = Variant::Bool(false);
    save.embedTrueTypeFonts = Variant::Bool(false);
    save.saveNativePictureFormat = Variant::Bool(false);
    save.saveFormsData = Variant::Bool(false);
    save.saveAsAOCELetter = Variant::Bool(false);
    CHECKED(PageDocument(App())->SaveAs(save));
  } catch (...) {
    SendError(kErrorSave);
    platform::ClearClipboard();
    throw EAbort();
  }
}

void TDOCFolivex::ClosePageDocument(const Variant& saveChanges, const Variant& originalFormat,
                                    const Variant& routeDocument) {
  try {
    CHECKED(PageDocument(App())->Close(saveChanges, originalFormat, routeDocument));
  } catch (...) {
    SendError(kErrorClose);
    throw EAbort();
  }
}

}  // namespace fv::word
