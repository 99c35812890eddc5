// Page location: the content of the whole document or of one page onto the clipboard.
#include "word/AutomationChecks.h"
#include "word/UnitWord.h"

namespace fv::word {

using automation::Application;
using automation::ComPtr;
using automation::Document;
using automation::Documents;
using automation::Range;
using automation::Selection;
using automation::Variant;

namespace {

ComPtr<Selection> CurrentSelection(Application* app) {
  ComPtr<Selection> selection;
  CHECKED(app->get_Selection(selection.Out()));
  CHECKED_INTF(selection.Get());
  return selection;
}

int32_t SelectionStart(Application* app) {
  ComPtr<Range> range;
  CHECKED(CurrentSelection(app)->get_Range(range.Out()));
  int32_t start = 0;
  CHECKED(CHECKED_INTF(range.Get())->get_Start(&start));
  return start;
}

int32_t SelectionEnd(Application* app) {
  ComPtr<Range> range;
  CHECKED(CurrentSelection(app)->get_Range(range.Out()));
  int32_t end = 0;
  CHECKED(CHECKED_INTF(range.Get())->get_End(&end));
  return end;
}

void GoToPage(Application* app, const Variant& which, const Variant& count) {
  ComPtr<Range> ignored;
  CHECKED(CurrentSelection(app)->GoTo(Variant::Int(automation::wdGoToPage), which, count,
                                      Variant::Empty(), ignored.Out()));
}

}  // namespace

void TDOCFolivex::CopyWholeDocument() {
  Application* app = App();
  CurrentSelection(app)->WholeStory();
  CurrentSelection(app)->Copy();
}

void TDOCFolivex::CopyPage(int32_t i, int32_t pageCount) {
  Application* app = App();
  int32_t start = 0;
  int32_t end = 0;
  if (i == pageCount) {
    // The last page runs to the end of the source's main text.
    GoToPage(app, Variant::UInt(0xFFFFFFFFu), pageNumber_);
    start = SelectionStart(app);
    ComPtr<automation::Documents> documents;
    CHECKED(app->get_Documents(documents.Out()));
    ComPtr<Document> source;
    CHECKED(CHECKED_INTF(documents.Get())->Item(Variant::Int(1), source.Out()));
    ComPtr<Range> whole;
    CHECKED(CHECKED_INTF(source.Get())->Range(Variant::Omitted(), Variant::Omitted(), whole.Out()));
    CHECKED(CHECKED_INTF(whole.Get())->get_End(&end));
  } else {
    pageNumber_ = Variant::Int(i);
    GoToPage(app, Variant::Int(automation::wdGoToAbsolute), pageNumber_);
    start = SelectionStart(app);
    pageNumber_ = Variant::Int(i + 1);
    GoToPage(app, Variant::Int(automation::wdGoToAbsolute), pageNumber_);
    int32_t moved = 0;
    CHECKED(CurrentSelection(app)->MoveLeft(Variant::Int(automation::wdCharacter), Variant::Int(1),
                                            Variant::Int(automation::wdExtend), &moved));
    end = SelectionEnd(app);
  }
  ComPtr<Range> page;
  CHECKED(CHECKED_INTF(WordDocument->DefaultInterface())
              ->Range(Variant::Int(start), Variant::Int(end), page.Out()));
  CHECKED_INTF(page.Get())->Copy();
}

}  // namespace fv::word
