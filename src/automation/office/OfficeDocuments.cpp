// The documents collection and one document.
#include "automation/office/CellNames.h"
#include "automation/office/ComBase.h"
#include "automation/office/OfficeObjects.h"

namespace fv::office {

using namespace automation;

namespace {

// A string argument as a file name in the system's narrow encoding.
bool FileNameOf(const Variant& argument, std::string& name) {
  if (argument.Type() != VT_BSTR) return false;
  name = argument.StringValue().ToNarrow();
  return !name.empty();
}

class OfficeDocuments : public ComObject<Documents> {
 public:
  explicit OfficeDocuments(AppPtr app) : app_(std::move(app)) {}

  HRESULT Open(const OpenArguments& arguments, Document** document) override {
    *document = nullptr;
    std::string path;
    if (!FileNameOf(arguments.fileName, path)) return DISP_E_TYPEMISMATCH;
    DocPtr opened;
    if (HRESULT hr = app_->Open(path, opened); Failed(hr)) return hr;
    return NewDocument(app_, opened, document);
  }

  HRESULT Add(const Variant&, const Variant&, const Variant&, const Variant&,
              Document** document) override {
    *document = nullptr;
    DocPtr added;
    if (HRESULT hr = app_->Add(added); Failed(hr)) return hr;
    return NewDocument(app_, added, document);
  }

  HRESULT Item(const Variant& index, Document** document) override {
    *document = nullptr;
    if (Failed(app_->Usable())) return app_->Usable();
    int32_t i = 0;
    if (index.Type() == VT_BSTR || !index.ToInt32(i)) return DISP_E_TYPEMISMATCH;
    const auto& open = app_->documents;
    if (i < 1 || i > static_cast<int32_t>(open.size())) return DISP_E_BADINDEX;
    // Item 1 is the newest.
    return NewDocument(app_, open[open.size() - static_cast<size_t>(i)], document);
  }

 private:
  AppPtr app_;
};

class OfficeDocument : public ComObject<Document> {
 public:
  OfficeDocument(AppPtr app, DocPtr document)
      : app_(std::move(app)), document_(std::move(document)) {}

  HRESULT Range(const Variant& start, const Variant& end, automation::Range** range) override {
    *range = nullptr;
    if (HRESULT hr = UsableDocument(*app_, *document_); Failed(hr)) return hr;
    const int32_t last = document_->EndPosition();
    int32_t from = 0;
    int32_t to = last;
    if (!start.IsOmitted() && start.Type() != VT_EMPTY && !start.ToInt32(from)) {
      return DISP_E_TYPEMISMATCH;
    }
    if (!end.IsOmitted() && end.Type() != VT_EMPTY && !end.ToInt32(to)) {
      return DISP_E_TYPEMISMATCH;
    }
    from = std::clamp(from, 0, last);
    to = std::clamp(to, from, last);
    return NewRange(app_, document_, from, to, range);
  }

  HRESULT Select() override {
    if (HRESULT hr = UsableDocument(*app_, *document_); Failed(hr)) return hr;
    document_->selectionStart = 0;
    document_->selectionEnd = document_->EndPosition();
    document_->selectionTable.reset();
    return S_OK;
  }

  HRESULT get_Tables(Tables** tables) override {
    *tables = nullptr;
    if (HRESULT hr = UsableDocument(*app_, *document_); Failed(hr)) return hr;
    return NewTables(app_, document_, false, tables);
  }

  HRESULT SaveAs(const SaveAsArguments& arguments) override {
    if (HRESULT hr = UsableDocument(*app_, *document_); Failed(hr)) return hr;
    std::string path;
    if (!FileNameOf(arguments.fileName, path)) return DISP_E_TYPEMISMATCH;
    int32_t format = 0;  // the word processor's own format when none is given
    if (!arguments.fileFormat.IsOmitted() && !arguments.fileFormat.ToInt32(format)) {
      return DISP_E_TYPEMISMATCH;
    }
    // The formatting still kept for the document's tables goes with the save.
    std::vector<std::pair<int32_t, TableFormat>> formats;
    for (const auto& table : document_->addedTables) {
      if (!table->format.Empty()) formats.emplace_back(table->id, table->format);
    }
    bool known = true;
    const HRESULT hr = app_->session->Call(
        [&] { known = app_->session->Ops().Save(document_->id, formats, path, format); });
    if (Failed(hr)) return hr;
    for (const auto& table : document_->addedTables) table->format = TableFormat();
    return known ? S_OK : E_INVALIDARG;
  }

  HRESULT Close(const Variant&, const Variant&, const Variant&) override {
    // Never saved, never asked: the documents of the server are copies or read-only.
    return app_->Close(document_);
  }

 private:
  AppPtr app_;
  DocPtr document_;
};

}  // namespace

HRESULT NewDocuments(AppPtr app, Documents** out) {
  return Deliver<Documents>(new OfficeDocuments(std::move(app)), out);
}

HRESULT NewDocument(AppPtr app, DocPtr document, Document** out) {
  return Deliver<Document>(new OfficeDocument(std::move(app), std::move(document)), out);
}

}  // namespace fv::office
