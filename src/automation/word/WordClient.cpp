// Each interface of the object model as a thin wrapper over one IDispatch of Word. Every
// member forwards to the member of the same name; objects Word returns are wrapped in
// turn. Failures are Word's HRESULTs (or its exception codes), unchanged.
#include "automation/word/WordClient.h"

#include "automation/word/DispatchCall.h"

namespace fv::automation::word {
namespace {

// Lets a wrapper hand its IDispatch to a call that takes an object (Tables.Add's range).
class DispatchBacked {
 public:
  virtual IDispatch* Dispatch() const = 0;

 protected:
  ~DispatchBacked() = default;
};

IDispatch* DispatchOf(Unknown* object) {
  auto* backed = dynamic_cast<DispatchBacked*>(object);
  return backed ? backed->Dispatch() : nullptr;
}

template <class I>
class DispatchObject : public I, public DispatchBacked {
 public:
  explicit DispatchObject(IDispatch* dispatch) : dispatch_(dispatch) { dispatch_->AddRef(); }
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  uint32_t AddRef() override { return ++references_; }
  uint32_t Release() override {
    const uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }
  IDispatch* Dispatch() const override { return dispatch_; }

 protected:
  ~DispatchObject() override { dispatch_->Release(); }

  HRESULT Call(const wchar_t* member, CallKind kind, DispatchArguments& arguments,
               VARIANT* result = nullptr) {
    return CallMember(dispatch_, member, kind, arguments, result);
  }
  HRESULT Method(const wchar_t* member) {
    DispatchArguments none;
    return Call(member, CallKind::kMethod, none);
  }
  HRESULT PutBool(const wchar_t* member, bool value) {
    DispatchArguments arguments;
    arguments.AddBool(value);
    return Call(member, CallKind::kPut, arguments);
  }
  HRESULT PutInt(const wchar_t* member, int32_t value) {
    DispatchArguments arguments;
    arguments.AddInt(value);
    return Call(member, CallKind::kPut, arguments);
  }
  HRESULT GetInt(const wchar_t* member, int32_t* value) {
    DispatchArguments none;
    ScopedVariant result;
    HRESULT hr = Call(member, CallKind::kGet, none, &result);
    if (FAILED(hr)) return hr;
    return ToInt32(*result, *value);
  }
  // Calls a member that returns an object and wraps what it returns in `Wrapper`. A call
  // that succeeds without an object leaves `out` null.
  template <class Wrapper, class Out>
  HRESULT GetObject(const wchar_t* member, CallKind kind, DispatchArguments& arguments, Out** out) {
    *out = nullptr;
    ScopedVariant result;
    const HRESULT hr = Call(member, kind, arguments, &result);
    if (FAILED(hr)) return hr;
    IDispatch* object = nullptr;
    if ((*result).vt == ::VT_DISPATCH) {
      object = (*result).pdispVal;
      if (object) object->AddRef();
    } else if ((*result).vt == ::VT_UNKNOWN && (*result).punkVal) {
      const HRESULT qi =
          (*result).punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&object));
      if (FAILED(qi)) return qi;
    } else if ((*result).vt != ::VT_EMPTY && (*result).vt != ::VT_NULL) {
      return static_cast<HRESULT>(0x80020005);  // DISP_E_TYPEMISMATCH
    }
    if (object) {
      *out = new Wrapper(object);
      object->Release();
    }
    return hr;
  }
  template <class Wrapper, class Out>
  HRESULT GetProperty(const wchar_t* member, Out** out) {
    DispatchArguments none;
    return GetObject<Wrapper>(member, CallKind::kGet, none, out);
  }

 private:
  IDispatch* dispatch_;
  uint32_t references_ = 1;
};

class WordBorder final : public DispatchObject<Border> {
 public:
  using DispatchObject::DispatchObject;
  HRESULT put_LineStyle(int32_t style) override { return PutInt(L"LineStyle", style); }
};

class WordBorders final : public DispatchObject<Borders> {
 public:
  using DispatchObject::DispatchObject;
  HRESULT Item(int32_t index, Border** border) override {
    DispatchArguments arguments;
    arguments.AddInt(index);
    return GetObject<WordBorder>(L"Item", CallKind::kMethodOrGet, arguments, border);
  }
};

class WordRows final : public DispatchObject<Rows> {
 public:
  using DispatchObject::DispatchObject;
  HRESULT put_Alignment(int32_t alignment) override { return PutInt(L"Alignment", alignment); }
};

class WordTable final : public DispatchObject<Table> {
 public:
  using DispatchObject::DispatchObject;
  HRESULT get_Rows(automation::Rows** rows) override {
    return GetProperty<WordRows>(L"Rows", rows);
  }
  HRESULT get_Borders(automation::Borders** borders) override {
    return GetProperty<WordBorders>(L"Borders", borders);
  }
};

class WordTables final : public DispatchObject<Tables> {
 public:
  using DispatchObject::DispatchObject;
  HRESULT Add(automation::Range* range, int32_t numRows, int32_t numColumns,
              const Variant& defaultTableBehavior, const Variant& autoFitBehavior,
              Table** table) override {
    DispatchArguments arguments;
    arguments.AddObject(DispatchOf(range))
        .AddInt(numRows)
        .AddInt(numColumns)
        .Add(defaultTableBehavior)
        .Add(autoFitBehavior);
    return GetObject<WordTable>(L"Add", CallKind::kMethod, arguments, table);
  }
  HRESULT Item(int32_t index, Table** table) override {
    DispatchArguments arguments;
    arguments.AddInt(index);
    return GetObject<WordTable>(L"Item", CallKind::kMethodOrGet, arguments, table);
  }
};

class WordRange final : public DispatchObject<Range> {
 public:
  using DispatchObject::DispatchObject;
  HRESULT get_Start(int32_t* start) override { return GetInt(L"Start", start); }
  HRESULT get_End(int32_t* end) override { return GetInt(L"End", end); }
  HRESULT get_Information(int32_t type, Variant* value) override {
    DispatchArguments arguments;
    arguments.AddInt(type);
    ScopedVariant result;
    const HRESULT hr = Call(L"Information", CallKind::kGet, arguments, &result);
    if (FAILED(hr)) return hr;
    return FromOleVariant(*result, *value);
  }
  HRESULT Copy() override { return Method(L"Copy"); }
};

class WordSelection final : public DispatchObject<Selection> {
 public:
  using DispatchObject::DispatchObject;
  HRESULT WholeStory() override { return Method(L"WholeStory"); }
  HRESULT Copy() override { return Method(L"Copy"); }
  HRESULT GoTo(const Variant& what, const Variant& which, const Variant& count, const Variant& name,
               automation::Range** range) override {
    DispatchArguments arguments;
    arguments.Add(what).Add(which).Add(count).Add(name);
    return GetObject<WordRange>(L"GoTo", CallKind::kMethod, arguments, range);
  }
  HRESULT MoveLeft(const Variant& unit, const Variant& count, const Variant& extend,
                   int32_t* moved) override {
    DispatchArguments arguments;
    arguments.Add(unit).Add(count).Add(extend);
    ScopedVariant result;
    const HRESULT hr = Call(L"MoveLeft", CallKind::kMethod, arguments, &result);
    if (FAILED(hr)) return hr;
    // Word answers with the number of units moved; a server that answers nothing moved
    // nothing it could tell.
    if ((*result).vt == ::VT_EMPTY) {
      *moved = 0;
      return hr;
    }
    return ToInt32(*result, *moved);
  }
  HRESULT get_Range(automation::Range** range) override {
    return GetProperty<WordRange>(L"Range", range);
  }
  HRESULT get_Tables(automation::Tables** tables) override {
    return GetProperty<WordTables>(L"Tables", tables);
  }
  HRESULT Paste() override { return Method(L"Paste"); }
};

class WordDocument final : public DispatchObject<Document> {
 public:
  using DispatchObject::DispatchObject;
  HRESULT Range(const Variant& start, const Variant& end, automation::Range** range) override {
    DispatchArguments arguments;
    arguments.Add(start).Add(end);
    return GetObject<WordRange>(L"Range", CallKind::kMethod, arguments, range);
  }
  HRESULT Select() override { return Method(L"Select"); }
  HRESULT get_Tables(automation::Tables** tables) override {
    return GetProperty<WordTables>(L"Tables", tables);
  }
  HRESULT SaveAs(const SaveAsArguments& a) override {
    DispatchArguments arguments;
    arguments.Add(a.fileName)
        .Add(a.fileFormat)
        .Add(a.lockComments)
        .Add(a.password)
        .Add(a.addToRecentFiles)
        .Add(a.writePassword)
        .Add(a.readOnlyRecommended)
        .Add(a.embedTrueTypeFonts)
        .Add(a.saveNativePictureFormat)
        .Add(a.saveFormsData)
        .Add(a.saveAsAOCELetter);
    return Call(L"SaveAs", CallKind::kMethod, arguments);
  }
  HRESULT Close(const Variant& saveChanges, const Variant& originalFormat,
                const Variant& routeDocument) override {
    DispatchArguments arguments;
    arguments.Add(saveChanges).Add(originalFormat).Add(routeDocument);
    return Call(L"Close", CallKind::kMethod, arguments);
  }
};

class WordDocuments final : public DispatchObject<Documents> {
 public:
  using DispatchObject::DispatchObject;
  HRESULT Open(const OpenArguments& a, Document** document) override {
    DispatchArguments arguments;
    arguments.Add(a.fileName)
        .Add(a.confirmConversions)
        .Add(a.readOnly)
        .Add(a.addToRecentFiles)
        .Add(a.passwordDocument)
        .Add(a.passwordTemplate)
        .Add(a.revert)
        .Add(a.writePasswordDocument)
        .Add(a.writePasswordTemplate)
        .Add(a.format)
        .Add(a.encoding)
        .Add(a.visible);
    return GetObject<WordDocument>(L"Open", CallKind::kMethod, arguments, document);
  }
  HRESULT Add(const Variant& templateName, const Variant& newTemplate, const Variant& documentType,
              const Variant& visible, Document** document) override {
    DispatchArguments arguments;
    arguments.Add(templateName).Add(newTemplate).Add(documentType).Add(visible);
    return GetObject<WordDocument>(L"Add", CallKind::kMethod, arguments, document);
  }
  HRESULT Item(const Variant& index, Document** document) override {
    DispatchArguments arguments;
    arguments.Add(index);
    return GetObject<WordDocument>(L"Item", CallKind::kMethodOrGet, arguments, document);
  }
};

class WordOptions final : public DispatchObject<Options> {
 public:
  using DispatchObject::DispatchObject;
  HRESULT put_CheckSpellingAsYouType(bool on) override {
    return PutBool(L"CheckSpellingAsYouType", on);
  }
  HRESULT put_CheckGrammarAsYouType(bool on) override {
    return PutBool(L"CheckGrammarAsYouType", on);
  }
};

// The results by which a call tells that the application's process has gone.
bool ApplicationGone(HRESULT hr) {
  switch (static_cast<uint32_t>(hr)) {
    case 0x800706BAu:  // RPC_S_SERVER_UNAVAILABLE
    case 0x80010108u:  // RPC_E_DISCONNECTED
    case 0x80010007u:  // RPC_E_SERVERDIED
    case 0x80010012u:  // RPC_E_SERVERDIED_DNE
      return true;
    default:
      return false;
  }
}

class WordApplication final : public DispatchObject<Application> {
 public:
  using DispatchObject::DispatchObject;
  HRESULT put_Visible(bool visible) override { return PutBool(L"Visible", visible); }
  HRESULT get_Options(Options** options) override {
    return GetProperty<WordOptions>(L"Options", options);
  }
  HRESULT get_Documents(automation::Documents** documents) override {
    return GetProperty<WordDocuments>(L"Documents", documents);
  }
  HRESULT get_Selection(Selection** selection) override {
    return GetProperty<WordSelection>(L"Selection", selection);
  }
  HRESULT Quit(const Variant& saveChanges, const Variant& originalFormat,
               const Variant& routeDocument) override {
    DispatchArguments arguments;
    arguments.Add(saveChanges).Add(originalFormat).Add(routeDocument);
    const HRESULT hr = Call(L"Quit", CallKind::kMethod, arguments);
    // Word may end before its answer reaches us, or may have been quit by another client
    // already: either way it is no longer running, which is what Quit asks for.
    return ApplicationGone(hr) ? 0 : hr;
  }
};

}  // namespace

Application* WrapApplication(IDispatch* application) {
  return application ? new WordApplication(application) : nullptr;
}

}  // namespace fv::automation::word
