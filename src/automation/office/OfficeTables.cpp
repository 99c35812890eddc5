// Tables, one table, its rows and its borders.

#include "automation/office/ComBase.h"
#include "automation/office/OfficeObjects.h"

namespace fv::office {

using namespace automation;
using css::text::XTextTable;
using uno::Reference;
using uno::UNO_QUERY_THROW;

namespace {

using TablePtr = std::shared_ptr<TableRef>;

class OfficeBorder : public ComObject<Border> {
 public:
  OfficeBorder(AppPtr app, DocPtr document, TablePtr table, int32_t index)
      : app_(std::move(app)),
        document_(std::move(document)),
        table_(std::move(table)),
        index_(index) {}

  HRESULT put_LineStyle(int32_t style) override {
    if (HRESULT hr = UsableDocument(*app_, *document_); Failed(hr)) return hr;
    // Sent to the office with the table's content or when it is saved.
    table_->format.borders[-index_ - 1] = style == 0 ? 0 : 1;
    return S_OK;
  }

 private:
  AppPtr app_;
  DocPtr document_;
  TablePtr table_;
  int32_t index_;
};

class OfficeBorders : public ComObject<Borders> {
 public:
  OfficeBorders(AppPtr app, DocPtr document, TablePtr table)
      : app_(std::move(app)), document_(std::move(document)), table_(std::move(table)) {}

  HRESULT Item(int32_t index, Border** border) override {
    *border = nullptr;
    if (HRESULT hr = UsableDocument(*app_, *document_); Failed(hr)) return hr;
    if (index < -6 || index > -1) return DISP_E_BADINDEX;
    return Deliver<Border>(new OfficeBorder(app_, document_, table_, index), border);
  }

 private:
  AppPtr app_;
  DocPtr document_;
  TablePtr table_;
};

class OfficeRows : public ComObject<Rows> {
 public:
  OfficeRows(AppPtr app, DocPtr document, TablePtr table)
      : app_(std::move(app)), document_(std::move(document)), table_(std::move(table)) {}

  HRESULT put_Alignment(int32_t alignment) override {
    if (HRESULT hr = UsableDocument(*app_, *document_); Failed(hr)) return hr;
    // Sent to the office when the document is saved.
    if (alignment < 0 || alignment > 2) return E_INVALIDARG;
    table_->format.alignment = alignment;
    return S_OK;
  }

 private:
  AppPtr app_;
  DocPtr document_;
  TablePtr table_;
};

class OfficeTable : public ComObject<Table> {
 public:
  OfficeTable(AppPtr app, DocPtr document, TablePtr table)
      : app_(std::move(app)), document_(std::move(document)), table_(std::move(table)) {}

  HRESULT get_Rows(automation::Rows** rows) override {
    *rows = nullptr;
    if (HRESULT hr = UsableDocument(*app_, *document_); Failed(hr)) return hr;
    return Deliver<automation::Rows>(new OfficeRows(app_, document_, table_), rows);
  }

  HRESULT get_Borders(automation::Borders** borders) override {
    *borders = nullptr;
    if (HRESULT hr = UsableDocument(*app_, *document_); Failed(hr)) return hr;
    return Deliver<automation::Borders>(new OfficeBorders(app_, document_, table_), borders);
  }

 private:
  AppPtr app_;
  DocPtr document_;
  TablePtr table_;
};

class OfficeTables : public ComObject<Tables> {
 public:
  OfficeTables(AppPtr app, DocPtr document, bool ofSelection)
      : app_(std::move(app)), document_(std::move(document)), ofSelection_(ofSelection) {}

  HRESULT Add(automation::Range* range, int32_t numRows, int32_t numColumns, const Variant&,
              const Variant&, Table** table) override {
    *table = nullptr;
    if (HRESULT hr = UsableDocument(*app_, *document_); Failed(hr)) return hr;
    if (!range) return E_POINTER;
    if (numRows < 1 || numColumns < 1 || numRows > 32767 || numColumns > 63) return E_INVALIDARG;
    if (document_->loaded) return E_ACCESSDENIED;  // loaded documents are read-only
    auto added = std::make_shared<TableRef>();
    const HRESULT hr = app_->session->Call(
        [&] { added->id = app_->session->Ops().AddTable(document_->id, numRows, numColumns); });
    if (Failed(hr)) return hr;
    document_->addedTables.push_back(added);
    // The selection now stands in the new table's first cell.
    document_->selectionTable = added;
    document_->selectionStart = document_->selectionEnd = 0;
    return NewTable(app_, document_, added, table);
  }

  HRESULT Item(int32_t index, Table** table) override {
    *table = nullptr;
    if (HRESULT hr = UsableDocument(*app_, *document_); Failed(hr)) return hr;
    if (index < 1) return DISP_E_BADINDEX;
    if (ofSelection_ || !document_->loaded) {
      std::vector<TablePtr> tables;
      if (!ofSelection_)
        tables = document_->addedTables;
      else if (document_->selectionTable)
        tables.push_back(document_->selectionTable);
      if (index > static_cast<int32_t>(tables.size())) return DISP_E_BADINDEX;
      return NewTable(app_, document_, tables[index - 1], table);
    }
    auto found = std::make_shared<TableRef>();
    const HRESULT hr = app_->session->Call(
        [&] { found->id = app_->session->Ops().SourceTable(document_->id, index); });
    if (Failed(hr)) return hr;
    if (found->id == 0) return DISP_E_BADINDEX;
    return NewTable(app_, document_, found, table);
  }

 private:
  AppPtr app_;
  DocPtr document_;
  bool ofSelection_;
};

}  // namespace

HRESULT NewTables(AppPtr app, DocPtr document, bool ofSelection, Tables** out) {
  return Deliver<Tables>(new OfficeTables(std::move(app), std::move(document), ofSelection), out);
}

HRESULT NewTable(AppPtr app, DocPtr document, std::shared_ptr<TableRef> table, Table** out) {
  return Deliver<Table>(new OfficeTable(std::move(app), std::move(document), std::move(table)),
                        out);
}

}  // namespace fv::office
