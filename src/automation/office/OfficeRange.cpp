// Ranges and the selection of a document, in positions that count page boundaries (see
// CellNames.h), and the copy and paste through the transfer slot.
#include "automation/office/CellNames.h"
#include "automation/office/ComBase.h"
#include "automation/office/OfficeObjects.h"
#include "automation/office/TransferSlot.h"

namespace fv::office {

using namespace automation;

namespace {

// Copies positions `start` to `end` of a loaded document into the transfer slot.
HRESULT CopyToSlot(AppState& app, DocumentState& document, int32_t start, int32_t end) {
  if (HRESULT hr = UsableDocument(app, document); Failed(hr)) return hr;
  if (!document.loaded) return E_NOTIMPL;
  std::string content;
  const HRESULT hr = app.session->Call(
      [&] { content = app.session->Ops().Copy(document.id, BoundaryAt(start), BoundaryAt(end)); });
  if (Failed(hr)) return hr;
  PutIntoTransferSlot(std::move(content));
  return S_OK;
}

// An optional numeric argument, or its default.
bool IntArgument(const Variant& argument, int32_t fallback, int32_t& value) {
  if (argument.IsOmitted() || argument.Type() == VT_EMPTY) {
    value = fallback;
    return true;
  }
  return argument.Type() != VT_BSTR && argument.ToInt32(value);
}

class OfficeRange : public ComObject<Range> {
 public:
  OfficeRange(AppPtr app, DocPtr document, int32_t start, int32_t end)
      : app_(std::move(app)), document_(std::move(document)), start_(start), end_(end) {}

  HRESULT get_Start(int32_t* start) override {
    *start = start_;
    return UsableDocument(*app_, *document_);
  }
  HRESULT get_End(int32_t* end) override {
    *end = end_;
    return UsableDocument(*app_, *document_);
  }

  HRESULT get_Information(int32_t type, Variant* value) override {
    *value = Variant();
    if (HRESULT hr = UsableDocument(*app_, *document_); Failed(hr)) return hr;
    if (type != wdNumberOfPagesInDocument) return E_NOTIMPL;
    if (!document_->loaded) return E_NOTIMPL;  // an added document has no layout
    *value = Variant::Int(document_->pageCount);
    return S_OK;
  }

  HRESULT Copy() override { return CopyToSlot(*app_, *document_, start_, end_); }

 private:
  AppPtr app_;
  DocPtr document_;
  int32_t start_;
  int32_t end_;
};

class OfficeSelection : public ComObject<Selection> {
 public:
  OfficeSelection(AppPtr app, DocPtr document)
      : app_(std::move(app)), document_(std::move(document)) {}

  HRESULT WholeStory() override {
    if (HRESULT hr = UsableDocument(*app_, *document_); Failed(hr)) return hr;
    document_->selectionStart = 0;
    document_->selectionEnd = document_->EndPosition();
    document_->selectionTable.reset();
    return S_OK;
  }

  HRESULT Copy() override {
    return CopyToSlot(*app_, *document_, document_->selectionStart, document_->selectionEnd);
  }

  HRESULT GoTo(const Variant& what, const Variant& which, const Variant& count, const Variant&,
               automation::Range** range) override {
    *range = nullptr;
    if (HRESULT hr = UsableDocument(*app_, *document_); Failed(hr)) return hr;
    int32_t whatValue = 0;
    int32_t whichValue = 0;
    int32_t countValue = 0;
    if (!IntArgument(what, wdGoToPage, whatValue) ||
        !IntArgument(which, wdGoToAbsolute, whichValue) || !IntArgument(count, 1, countValue)) {
      return DISP_E_TYPEMISMATCH;
    }
    if (whatValue != wdGoToPage || !document_->loaded) return E_NOTIMPL;
    const int32_t pages = document_->pageCount;
    const int32_t current = std::min(BoundaryAt(document_->selectionStart) + 1, pages);
    int64_t page = 0;
    switch (whichValue) {
      case wdGoToAbsolute:  // also the first page
        page = countValue;
        break;
      case wdGoToLast:
        page = pages;
        break;
      case 2:  // next
        page = int64_t{current} + countValue;
        break;
      case 3:  // previous
        page = int64_t{current} - countValue;
        break;
      default:
        return E_INVALIDARG;
    }
    const int32_t position =
        PositionOfBoundary(static_cast<int32_t>(std::clamp<int64_t>(page, 1, pages)) - 1);
    document_->selectionStart = document_->selectionEnd = position;
    return NewRange(app_, document_, position, position, range);
  }

  HRESULT MoveLeft(const Variant& unit, const Variant& count, const Variant& extend,
                   int32_t* moved) override {
    *moved = 0;
    if (HRESULT hr = UsableDocument(*app_, *document_); Failed(hr)) return hr;
    int32_t unitValue = 0;
    int32_t countValue = 0;
    int32_t extendValue = 0;
    if (!IntArgument(unit, wdCharacter, unitValue) || !IntArgument(count, 1, countValue) ||
        !IntArgument(extend, 0, extendValue)) {
      return DISP_E_TYPEMISMATCH;
    }
    if (unitValue != wdCharacter) return E_NOTIMPL;
    if (countValue < 0) return E_INVALIDARG;
    // Extending moves the start and keeps the end; moving collapses to the new place.
    const int32_t from = document_->selectionStart;
    const int32_t to = std::max(0, from - countValue);
    *moved = from - to;
    document_->selectionStart = to;
    if (extendValue != wdExtend) document_->selectionEnd = to;
    return S_OK;
  }

  HRESULT get_Range(automation::Range** range) override {
    *range = nullptr;
    if (HRESULT hr = UsableDocument(*app_, *document_); Failed(hr)) return hr;
    return NewRange(app_, document_, document_->selectionStart, document_->selectionEnd, range);
  }

  HRESULT get_Tables(Tables** tables) override {
    *tables = nullptr;
    if (HRESULT hr = UsableDocument(*app_, *document_); Failed(hr)) return hr;
    return NewTables(app_, document_, true, tables);
  }

  HRESULT Paste() override {
    if (HRESULT hr = UsableDocument(*app_, *document_); Failed(hr)) return hr;
    const std::string* content = TransferSlotContent();
    if (!content) return E_FAIL;                   // nothing of ours to paste
    if (document_->loaded) return E_ACCESSDENIED;  // loaded documents are read-only
    // Into the first cell of the table the selection stands in, which gets the formatting
    // kept for it first; else into the main text.
    const auto& table = document_->selectionTable;
    const HRESULT hr = app_->session->Call([&] {
      app_->session->Ops().Paste(document_->id, table ? table->id : 0,
                                 table ? table->format : TableFormat(), *content);
    });
    if (Succeeded(hr) && table) table->format = TableFormat();
    return hr;
  }

 private:
  AppPtr app_;
  DocPtr document_;
};

}  // namespace

HRESULT NewRange(AppPtr app, DocPtr document, int32_t start, int32_t end, Range** out) {
  return Deliver<Range>(new OfficeRange(std::move(app), std::move(document), start, end), out);
}

HRESULT NewSelection(AppPtr app, DocPtr document, Selection** out) {
  return Deliver<Selection>(new OfficeSelection(std::move(app), std::move(document)), out);
}

}  // namespace fv::office
