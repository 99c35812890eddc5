// Tables, one table, its rows and its borders.
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/text/XTextTablesSupplier.hpp>

#include "automation/office/ComBase.h"
#include "automation/office/OfficeObjects.h"
#include "automation/office/PageDocument.h"

namespace fv::office {

using namespace automation;
using css::text::XTextTable;
using uno::Reference;
using uno::UNO_QUERY_THROW;

namespace {

using TablePtr = Reference<XTextTable>;

class OfficeBorder : public ComObject<Border> {
 public:
  OfficeBorder(AppPtr app, DocPtr document, TablePtr table, int32_t index)
      : app_(std::move(app)),
        document_(std::move(document)),
        table_(std::move(table)),
        index_(index) {}

  HRESULT put_LineStyle(int32_t style) override {
    if (HRESULT hr = UsableDocument(*app_, *document_); Failed(hr)) return hr;
    return app_->session->Call([&] { SetTableBorder(table_, index_, style); });
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
    if (alignment < 0 || alignment > 2) return E_INVALIDARG;
    return app_->session->Call([&] { SetTableAlignment(table_, alignment); });
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
    TablePtr added;
    const HRESULT hr = app_->session->Call(
        [&] { added = AddPageTable(document_->document, numRows, numColumns); });
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
      else if (document_->selectionTable.is())
        tables.push_back(document_->selectionTable);
      if (index > static_cast<int32_t>(tables.size())) return DISP_E_BADINDEX;
      return NewTable(app_, document_, tables[index - 1], table);
    }
    TablePtr found;
    bool inRange = true;
    const HRESULT hr = app_->session->Call([&] {
      Reference<css::container::XIndexAccess> all(
          Reference<css::text::XTextTablesSupplier>(document_->document, UNO_QUERY_THROW)
              ->getTextTables(),
          UNO_QUERY_THROW);
      inRange = index <= all->getCount();
      if (inRange) found.set(all->getByIndex(index - 1), UNO_QUERY_THROW);
    });
    if (Failed(hr)) return hr;
    if (!inRange) return DISP_E_BADINDEX;
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

HRESULT NewTable(AppPtr app, DocPtr document, TablePtr table, Table** out) {
  return Deliver<Table>(new OfficeTable(std::move(app), std::move(document), std::move(table)),
                        out);
}

}  // namespace fv::office
