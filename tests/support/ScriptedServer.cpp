// The scripted server: documents are text files whose pages are separated by form feeds;
// a character position is an index into the concatenated pages, and a range [Start, End)
// is the text between two positions.
#include "ScriptedServer.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "ScriptedPlatform.h"
#include "automation/ServerEntry.h"
#include "automation/WordObjects.h"

namespace fv::scripted {
namespace {

using namespace fv::automation;

constexpr HRESULT kWordCommandFailed = static_cast<HRESULT>(0x800A1066);

struct TableState {
  std::string cell;
  int32_t alignment = 0;
  std::map<int32_t, int32_t> borders;
};

struct DocState {
  std::string name;
  std::vector<std::string> pages;  // for a source document
  std::vector<TableState> tables;  // for a page document
  int32_t selStart = 0, selEnd = 0;
  int selectionTable = 0;  // 1-based table the selection lies in, 0 for none

  std::string Text() const {
    std::string text;
    for (const auto& p : pages) text += p;
    for (const auto& t : tables) text += t.cell;
    return text;
  }
  int32_t Length() const { return static_cast<int32_t>(Text().size()); }
  int32_t PageStart(int32_t page) const {
    int32_t start = 0;
    for (int32_t k = 1; k < page && k <= static_cast<int32_t>(pages.size()); ++k) {
      start += static_cast<int32_t>(pages[k - 1].size());
    }
    return start;
  }
};

struct AppState {
  InstanceState public_;
  std::vector<std::shared_ptr<DocState>> documents;  // item 1 first; item 1 is active
};

struct Fault {
  HRESULT hr = S_OK;
  bool null = false;
};

struct Server {
  std::vector<std::shared_ptr<AppState>> instances;
  std::shared_ptr<AppState> running;
  std::map<std::string, std::map<int, Fault>> faults;
  std::map<std::string, int> counts;
  std::vector<std::string> log;
};

Server& S() {
  static Server server;
  return server;
}

// Logs a call and says how it ends.
Fault Enter(const std::string& member, const std::string& args = "") {
  Server& s = S();
  s.log.push_back(member + "(" + args + ")");
  const int k = ++s.counts[member];
  auto m = s.faults.find(member);
  if (m == s.faults.end()) return {};
  auto f = m->second.find(k);
  return f == m->second.end() ? Fault{} : f->second;
}

std::string Join(std::initializer_list<std::string> parts) {
  std::string out;
  for (const auto& p : parts) out += (out.empty() ? "" : ", ") + p;
  return out;
}

template <class I>
class Object : public I {
 public:
  uint32_t AddRef() override { return ++refs_; }
  uint32_t Release() override {
    const uint32_t left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 private:
  uint32_t refs_ = 1;
};

// Hands a new object out through an out-parameter, or null when the call is scripted so.
template <class I, class T>
HRESULT Give(const Fault& f, T* object, I** out) {
  if (f.null || Failed(f.hr)) {
    object->Release();
    return f.hr;
  }
  *out = object;
  return f.hr;
}

HRESULT Disconnected(const AppState& app) {
  return app.public_.quit ? RPC_E_DISCONNECTED : S_OK;
}

class RangeImpl : public Object<Range> {
 public:
  RangeImpl(std::shared_ptr<DocState> doc, int32_t start, int32_t end)
      : doc_(std::move(doc)), start_(start), end_(end) {}
  HRESULT get_Start(int32_t* start) override {
    const Fault f = Enter("Range.Start");
    if (Failed(f.hr)) return f.hr;
    *start = start_;
    return f.hr;
  }
  HRESULT get_End(int32_t* end) override {
    const Fault f = Enter("Range.End");
    if (Failed(f.hr)) return f.hr;
    *end = end_;
    return f.hr;
  }
  HRESULT get_Information(int32_t type, Variant* value) override {
    const Fault f = Enter("Range.Information", std::to_string(type));
    if (Failed(f.hr)) return f.hr;
    if (type != wdNumberOfPagesInDocument) return E_INVALIDARG;
    *value = Variant::Int(static_cast<int32_t>(doc_->pages.size()));
    return f.hr;
  }
  HRESULT Copy() override {
    const Fault f = Enter("Range.Copy");
    if (Failed(f.hr)) return f.hr;
    PutOnClipboard(doc_->Text().substr(start_, end_ - start_));
    return f.hr;
  }
  std::string Describe() const {
    return "range[" + std::to_string(start_) + "," + std::to_string(end_) + ")";
  }
  static void PutOnClipboard(const std::string& text) { os::PutCopyOnClipboard(text); }

 private:
  std::shared_ptr<DocState> doc_;
  int32_t start_, end_;
};

class BorderImpl : public Object<Border> {
 public:
  BorderImpl(std::shared_ptr<DocState> doc, int table, int32_t index)
      : doc_(std::move(doc)), table_(table), index_(index) {}
  HRESULT put_LineStyle(int32_t style) override {
    const Fault f =
        Enter("Border.LineStyle", Join({std::to_string(index_), std::to_string(style)}));
    if (Succeeded(f.hr)) doc_->tables[table_].borders[index_] = style;
    return f.hr;
  }

 private:
  std::shared_ptr<DocState> doc_;
  int table_;
  int32_t index_;
};

class BordersImpl : public Object<Borders> {
 public:
  BordersImpl(std::shared_ptr<DocState> doc, int table) : doc_(std::move(doc)), table_(table) {}
  HRESULT Item(int32_t index, Border** border) override {
    *border = nullptr;
    return Give(Enter("Borders.Item", std::to_string(index)), new BorderImpl(doc_, table_, index),
                border);
  }

 private:
  std::shared_ptr<DocState> doc_;
  int table_;
};

class RowsImpl : public Object<Rows> {
 public:
  RowsImpl(std::shared_ptr<DocState> doc, int table) : doc_(std::move(doc)), table_(table) {}
  HRESULT put_Alignment(int32_t alignment) override {
    const Fault f = Enter("Rows.Alignment", std::to_string(alignment));
    if (Succeeded(f.hr)) doc_->tables[table_].alignment = alignment;
    return f.hr;
  }

 private:
  std::shared_ptr<DocState> doc_;
  int table_;
};

class TableImpl : public Object<Table> {
 public:
  TableImpl(std::shared_ptr<DocState> doc, int table) : doc_(std::move(doc)), table_(table) {}
  HRESULT get_Rows(automation::Rows** rows) override {
    *rows = nullptr;
    return Give(Enter("Table.Rows"), new RowsImpl(doc_, table_), rows);
  }
  HRESULT get_Borders(automation::Borders** borders) override {
    *borders = nullptr;
    return Give(Enter("Table.Borders"), new BordersImpl(doc_, table_), borders);
  }

 private:
  std::shared_ptr<DocState> doc_;
  int table_;
};

// The tables of a document, or (for a selection) the tables the selection lies in.
class TablesImpl : public Object<Tables> {
 public:
  TablesImpl(std::shared_ptr<DocState> doc, bool ofSelection)
      : doc_(std::move(doc)), ofSelection_(ofSelection) {}
  HRESULT Add(automation::Range* range, int32_t numRows, int32_t numColumns,
              const Variant& defaultTableBehavior, const Variant& autoFitBehavior,
              Table** table) override {
    *table = nullptr;
    const Fault f =
        Enter("Tables.Add", Join({range ? static_cast<RangeImpl*>(range)->Describe() : "null",
                                  std::to_string(numRows), std::to_string(numColumns),
                                  defaultTableBehavior.Describe(), autoFitBehavior.Describe()}));
    if (f.null || Failed(f.hr)) return f.hr;
    doc_->tables.push_back({});
    doc_->selectionTable = static_cast<int>(doc_->tables.size());
    *table = new TableImpl(doc_, doc_->selectionTable - 1);
    return f.hr;
  }
  HRESULT Item(int32_t index, Table** table) override {
    *table = nullptr;
    const Fault f =
        Enter(ofSelection_ ? "Selection.Tables.Item" : "Tables.Item", std::to_string(index));
    const int which = ofSelection_ ? (index == 1 ? doc_->selectionTable : 0) : index;
    if (Succeeded(f.hr) && (which < 1 || which > static_cast<int>(doc_->tables.size()))) {
      return DISP_E_BADINDEX;
    }
    return Give(f, new TableImpl(doc_, which - 1), table);
  }

 private:
  std::shared_ptr<DocState> doc_;
  bool ofSelection_;
};

class DocumentImpl : public Object<Document> {
 public:
  DocumentImpl(std::shared_ptr<AppState> app, std::shared_ptr<DocState> doc)
      : app_(std::move(app)), doc_(std::move(doc)) {}
  HRESULT Range(const Variant& start, const Variant& end, automation::Range** range) override {
    *range = nullptr;
    const Fault f = Enter("Document.Range", Join({start.Describe(), end.Describe()}));
    const int32_t length = doc_->Length();
    int32_t s = 0, e = length;
    if (!start.IsOmitted() && !start.ToInt32(s)) return DISP_E_TYPEMISMATCH;
    if (!end.IsOmitted() && !end.ToInt32(e)) return DISP_E_TYPEMISMATCH;
    s = std::clamp(s, 0, length);
    e = std::clamp(e, s, length);
    return Give(f, new RangeImpl(doc_, s, e), range);
  }
  HRESULT Select() override {
    const Fault f = Enter("Document.Select");
    if (Succeeded(f.hr)) {
      doc_->selStart = 0;
      doc_->selEnd = doc_->Length();
    }
    return f.hr;
  }
  HRESULT get_Tables(automation::Tables** tables) override {
    *tables = nullptr;
    return Give(Enter("Document.Tables"), new TablesImpl(doc_, false), tables);
  }
  HRESULT SaveAs(const SaveAsArguments& a) override {
    const Fault f =
        Enter("Document.SaveAs",
              Join({a.fileName.Describe(), a.fileFormat.Describe(), a.lockComments.Describe(),
                    a.password.Describe(), a.addToRecentFiles.Describe(),
                    a.writePassword.Describe(), a.readOnlyRecommended.Describe(),
                    a.embedTrueTypeFonts.Describe(), a.saveNativePictureFormat.Describe(),
                    a.saveFormsData.Describe(), a.saveAsAOCELetter.Describe()}));
    if (Failed(f.hr)) return f.hr;
    std::ofstream out(a.fileName.StringValue().ToNarrow(), std::ios::binary | std::ios::trunc);
    if (!out) return kWordCommandFailed;
    out << "<html><body>";
    for (const auto& t : doc_->tables) {
      out << "<table align=\"" << (t.alignment == wdAlignRowCenter ? "center" : "left")
          << "\"><tr><td>" << t.cell << "</td></tr></table>";
    }
    out << "</body></html>\n";
    return out.good() ? f.hr : kWordCommandFailed;
  }
  HRESULT Close(const Variant& saveChanges, const Variant& originalFormat,
                const Variant& routeDocument) override {
    const Fault f =
        Enter("Document.Close",
              Join({saveChanges.Describe(), originalFormat.Describe(), routeDocument.Describe()}));
    if (Failed(f.hr)) return f.hr;
    std::erase(app_->documents, doc_);
    return f.hr;
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<DocState> doc_;
};

class SelectionImpl : public Object<Selection> {
 public:
  explicit SelectionImpl(std::shared_ptr<DocState> doc) : doc_(std::move(doc)) {}
  HRESULT WholeStory() override {
    const Fault f = Enter("Selection.WholeStory");
    if (Succeeded(f.hr)) {
      doc_->selStart = 0;
      doc_->selEnd = doc_->Length();
    }
    return f.hr;
  }
  HRESULT Copy() override {
    const Fault f = Enter("Selection.Copy");
    if (Succeeded(f.hr)) {
      RangeImpl::PutOnClipboard(doc_->Text().substr(doc_->selStart, doc_->selEnd - doc_->selStart));
    }
    return f.hr;
  }
  HRESULT GoTo(const Variant& what, const Variant& which, const Variant& count, const Variant& name,
               automation::Range** range) override {
    *range = nullptr;
    const Fault f =
        Enter("Selection.GoTo",
              Join({what.Describe(), which.Describe(), count.Describe(), name.Describe()}));
    if (Failed(f.hr)) return f.hr;
    int32_t w = 0, n = 0;
    if (!what.ToInt32(w) || w != wdGoToPage || !which.ToInt32(w)) return E_INVALIDARG;
    const auto pages = static_cast<int32_t>(doc_->pages.size());
    if (w == wdGoToLast) {
      n = pages;
    } else if (w == wdGoToAbsolute && count.ToInt32(n)) {
      n = std::clamp(n, 1, std::max(pages, 1));
    } else {
      return E_INVALIDARG;
    }
    doc_->selStart = doc_->selEnd = doc_->PageStart(n);
    return Give(f, new RangeImpl(doc_, doc_->selStart, doc_->selEnd), range);
  }
  HRESULT MoveLeft(const Variant& unit, const Variant& count, const Variant& extend,
                   int32_t* moved) override {
    const Fault f =
        Enter("Selection.MoveLeft", Join({unit.Describe(), count.Describe(), extend.Describe()}));
    if (Failed(f.hr)) return f.hr;
    int32_t n = 0, e = 0;
    if (!count.ToInt32(n) || !extend.ToInt32(e)) return E_INVALIDARG;
    *moved = std::min(n, doc_->selStart);
    doc_->selStart -= *moved;
    if (e != wdExtend) doc_->selEnd = doc_->selStart;
    return f.hr;
  }
  HRESULT get_Range(automation::Range** range) override {
    *range = nullptr;
    return Give(Enter("Selection.Range"), new RangeImpl(doc_, doc_->selStart, doc_->selEnd), range);
  }
  HRESULT get_Tables(automation::Tables** tables) override {
    *tables = nullptr;
    return Give(Enter("Selection.Tables"), new TablesImpl(doc_, true), tables);
  }
  HRESULT Paste() override {
    const Fault f = Enter("Selection.Paste");
    if (Failed(f.hr)) return f.hr;
    const auto text = os::CopyOnClipboard();
    if (!text || doc_->selectionTable == 0) return kWordCommandFailed;
    doc_->tables[doc_->selectionTable - 1].cell += *text;
    return f.hr;
  }

 private:
  std::shared_ptr<DocState> doc_;
};

class DocumentsImpl : public Object<Documents> {
 public:
  explicit DocumentsImpl(std::shared_ptr<AppState> app) : app_(std::move(app)) {}
  HRESULT Open(const OpenArguments& a, Document** document) override {
    *document = nullptr;
    std::string args = a.fileName.Describe();
    for (const Variant* v :
         {&a.confirmConversions, &a.readOnly, &a.addToRecentFiles, &a.passwordDocument,
          &a.passwordTemplate, &a.revert, &a.writePasswordDocument, &a.writePasswordTemplate,
          &a.format, &a.encoding, &a.visible}) {
      args += ", " + v->Describe();
    }
    const Fault f = Enter("Documents.Open", args);
    if (Failed(f.hr)) return f.hr;
    auto doc = LoadDocument(a.fileName.StringValue().ToNarrow());
    if (!doc) return kWordCommandFailed;
    app_->documents.insert(app_->documents.begin(), doc);
    return Give(f, new DocumentImpl(app_, doc), document);
  }
  HRESULT Add(const Variant& templateName, const Variant& newTemplate, const Variant& documentType,
              const Variant& visible, Document** document) override {
    *document = nullptr;
    const Fault f = Enter("Documents.Add", Join({templateName.Describe(), newTemplate.Describe(),
                                                 documentType.Describe(), visible.Describe()}));
    if (Failed(f.hr)) return f.hr;
    auto doc = std::make_shared<DocState>();
    doc->name = "Document" + std::to_string(++added_);
    app_->documents.insert(app_->documents.begin(), doc);
    return Give(f, new DocumentImpl(app_, doc), document);
  }
  HRESULT Item(const Variant& index, Document** document) override {
    *document = nullptr;
    const Fault f = Enter("Documents.Item", index.Describe());
    int32_t i = 0;
    if (Succeeded(f.hr) &&
        (!index.ToInt32(i) || i < 1 || i > static_cast<int32_t>(app_->documents.size()))) {
      return DISP_E_BADINDEX;
    }
    return Give(f, new DocumentImpl(app_, Succeeded(f.hr) ? app_->documents[i - 1] : nullptr),
                document);
  }

  static std::shared_ptr<DocState> LoadDocument(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return nullptr;
    std::stringstream content;
    content << in.rdbuf();
    auto doc = std::make_shared<DocState>();
    doc->name = path;
    std::string page;
    for (char c : content.str()) {
      if (c == '\f') {
        doc->pages.push_back(page);
        page.clear();
      } else {
        page += c;
      }
    }
    if (!page.empty() || doc->pages.empty()) doc->pages.push_back(page);
    if (content.str().empty()) doc->pages.clear();
    return doc;
  }

 private:
  std::shared_ptr<AppState> app_;
  int added_ = 0;
};

class OptionsImpl : public Object<Options> {
 public:
  explicit OptionsImpl(std::shared_ptr<AppState> app) : app_(std::move(app)) {}
  HRESULT put_CheckSpellingAsYouType(bool on) override {
    const Fault f = Enter("Options.CheckSpellingAsYouType", on ? "true" : "false");
    if (Succeeded(f.hr)) app_->public_.checkSpelling = on;
    return f.hr;
  }
  HRESULT put_CheckGrammarAsYouType(bool on) override {
    const Fault f = Enter("Options.CheckGrammarAsYouType", on ? "true" : "false");
    if (Succeeded(f.hr)) app_->public_.checkGrammar = on;
    return f.hr;
  }

 private:
  std::shared_ptr<AppState> app_;
};

class ApplicationImpl : public Object<Application> {
 public:
  explicit ApplicationImpl(std::shared_ptr<AppState> app) : app_(std::move(app)) {}
  HRESULT put_Visible(bool visible) override {
    const Fault f = Enter("Application.Visible", visible ? "true" : "false");
    if (Failed(f.hr) || Failed(Disconnected(*app_)))
      return Failed(f.hr) ? f.hr : RPC_E_DISCONNECTED;
    app_->public_.visible = visible;
    return f.hr;
  }
  HRESULT get_Options(Options** options) override {
    *options = nullptr;
    const Fault f = Enter("Application.Options");
    if (Failed(Disconnected(*app_))) return RPC_E_DISCONNECTED;
    return Give(f, new OptionsImpl(app_), options);
  }
  HRESULT get_Documents(automation::Documents** documents) override {
    *documents = nullptr;
    const Fault f = Enter("Application.Documents");
    if (Failed(Disconnected(*app_))) return RPC_E_DISCONNECTED;
    if (!documents_) documents_ = ComPtr<DocumentsImpl>::Attach(new DocumentsImpl(app_));
    if (f.null || Failed(f.hr)) return f.hr;
    documents_->AddRef();
    *documents = documents_.Get();
    return f.hr;
  }
  HRESULT get_Selection(Selection** selection) override {
    *selection = nullptr;
    const Fault f = Enter("Application.Selection");
    if (Failed(Disconnected(*app_))) return RPC_E_DISCONNECTED;
    if (Succeeded(f.hr) && app_->documents.empty()) return kWordCommandFailed;
    return Give(f, new SelectionImpl(Succeeded(f.hr) ? app_->documents.front() : nullptr),
                selection);
  }
  HRESULT Quit(const Variant& saveChanges, const Variant& originalFormat,
               const Variant& routeDocument) override {
    const Fault f =
        Enter("Application.Quit",
              Join({saveChanges.Describe(), originalFormat.Describe(), routeDocument.Describe()}));
    if (Failed(f.hr)) return f.hr;
    app_->public_.quit = true;
    app_->documents.clear();
    if (S().running == app_) {
      S().running.reset();
      os::WithdrawRunningInstance();
    }
    return f.hr;
  }

 private:
  std::shared_ptr<AppState> app_;
  ComPtr<DocumentsImpl> documents_;
};

}  // namespace

void Reset() {
  os::ForgetClipboard();
  os::WithdrawRunningInstance();
  S() = Server{};
}

void FailCall(const std::string& member, int k, int32_t hr) {
  S().faults[member][k].hr = hr;
}

void NullResult(const std::string& member, int k) {
  S().faults[member][k].null = true;
}

void StartRunningInstance(const std::vector<std::string>& openFiles) {
  auto app = std::make_shared<AppState>();
  for (const auto& file : openFiles) {
    if (auto doc = DocumentsImpl::LoadDocument(file)) {
      app->documents.insert(app->documents.begin(), doc);
    }
  }
  S().instances.push_back(app);
  S().running = app;
  ComPtr<Application> running = ComPtr<Application>::Attach(new ApplicationImpl(app));
  os::AnnounceRunningInstance(running.Get());
}

bool ClipboardHoldsCopy() {
  return os::CopyOnClipboard().has_value();
}

std::vector<std::string> CallLog() {
  return S().log;
}

std::vector<std::string> Calls(const std::string& member) {
  std::vector<std::string> calls;
  for (const auto& entry : S().log) {
    if (entry.compare(0, member.size() + 1, member + "(") == 0) calls.push_back(entry);
  }
  return calls;
}

std::vector<InstanceState> Instances() {
  std::vector<InstanceState> out;
  for (const auto& app : S().instances) {
    InstanceState state = app->public_;
    for (const auto& doc : app->documents) state.openDocuments.push_back(doc->name);
    out.push_back(state);
  }
  return out;
}

}  // namespace fv::scripted

using namespace fv::automation;

extern "C" SCRIPTED_API HRESULT FolivexGetActiveObject(Application** app) {
  *app = nullptr;
  const auto f = fv::scripted::Enter("Server.GetActiveObject");
  if (Failed(f.hr)) return f.hr;
  if (!fv::scripted::S().running) return MK_E_UNAVAILABLE;
  *app = new fv::scripted::ApplicationImpl(fv::scripted::S().running);
  return S_OK;
}

extern "C" SCRIPTED_API HRESULT FolivexCreateInstance(Application** app) {
  *app = nullptr;
  const auto f = fv::scripted::Enter("Server.CreateInstance");
  if (Failed(f.hr)) return f.hr;
  auto state = std::make_shared<fv::scripted::AppState>();
  fv::scripted::S().instances.push_back(state);
  *app = new fv::scripted::ApplicationImpl(state);
  return S_OK;
}

#ifndef _WIN32
// POSIX: the copies go to the windowing library's transfer slot; the library asks the
// server itself for the running instance (FolivexGetActiveObject), so there is nothing to
// announce.
#include "folivex_window.h"

namespace fv::scripted::os {
namespace {
constexpr const char* kClipboardFormat = "text/x-folivex-scripted";
}  // namespace

void PutCopyOnClipboard(const std::string& text) {
  fvw_SetClipboardObject(kClipboardFormat, new std::string(text),
                         [](void* p) { delete static_cast<std::string*>(p); });
}

std::optional<std::string> CopyOnClipboard() {
  const auto* text = static_cast<const std::string*>(fvw_GetClipboardObject(kClipboardFormat));
  return text ? std::optional<std::string>(*text) : std::nullopt;
}

void ForgetClipboard() {
  fvw_SetClipboardObject("", nullptr, nullptr);
}

void AnnounceRunningInstance(automation::Application*) {}
void WithdrawRunningInstance() {}

}  // namespace fv::scripted::os
#endif
