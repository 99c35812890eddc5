#include "ScriptedDispatch.h"

#include <cwctype>
#include <string>
#include <vector>

namespace fv::scripted {
namespace {

using automation::Application;
using automation::Border;
using automation::Borders;
using automation::Bstr;
using automation::ComPtr;
using automation::Document;
using automation::Documents;
using automation::OpenArguments;
using automation::Options;
using automation::Rows;
using automation::SaveAsArguments;
using automation::Selection;
using automation::Table;
using automation::Tables;
using automation::Unknown;
using automation::Variant;

// Member identifiers, one per name across all objects.
enum Member : DISPID {
  kVisible = 1,
  kOptions,
  kDocuments,
  kSelection,
  kQuit,
  kCheckSpellingAsYouType,
  kCheckGrammarAsYouType,
  kOpen,
  kAdd,
  kItem,
  kRange,
  kSelect,
  kTables,
  kSaveAs,
  kClose,
  kStart,
  kEnd,
  kInformation,
  kCopy,
  kWholeStory,
  kGoTo,
  kMoveLeft,
  kPaste,
  kRows,
  kBorders,
  kAlignment,
  kLineStyle,
};

struct MemberName {
  const wchar_t* name;
  Member id;
};

constexpr MemberName kNames[] = {
    {L"Visible", kVisible},
    {L"Options", kOptions},
    {L"Documents", kDocuments},
    {L"Selection", kSelection},
    {L"Quit", kQuit},
    {L"CheckSpellingAsYouType", kCheckSpellingAsYouType},
    {L"CheckGrammarAsYouType", kCheckGrammarAsYouType},
    {L"Open", kOpen},
    {L"Add", kAdd},
    {L"Item", kItem},
    {L"Range", kRange},
    {L"Select", kSelect},
    {L"Tables", kTables},
    {L"SaveAs", kSaveAs},
    {L"Close", kClose},
    {L"Start", kStart},
    {L"End", kEnd},
    {L"Information", kInformation},
    {L"Copy", kCopy},
    {L"WholeStory", kWholeStory},
    {L"GoTo", kGoTo},
    {L"MoveLeft", kMoveLeft},
    {L"Paste", kPaste},
    {L"Rows", kRows},
    {L"Borders", kBorders},
    {L"Alignment", kAlignment},
    {L"LineStyle", kLineStyle},
};

bool SameName(const wchar_t* a, const wchar_t* b) {
  for (; *a && *b; ++a, ++b) {
    if (std::towlower(*a) != std::towlower(*b)) return false;
  }
  return *a == *b;
}

// {6D1B5E2A-3C47-4F0B-9A51-7E2C0D4B8F13}: asks a dispatch object for its model object.
const IID kIidScriptedObject = {
    0x6d1b5e2a, 0x3c47, 0x4f0b, {0x9a, 0x51, 0x7e, 0x2c, 0x0d, 0x4b, 0x8f, 0x13}};

// A failed conversion of argument `index` (0-based, in the member's order).
struct BadArgument {
  HRESULT hr;
  size_t index;
};

// The arguments of one Invoke, in the member's order.
class Arguments {
 public:
  explicit Arguments(const DISPPARAMS* parameters) {
    if (!parameters) return;
    for (UINT i = parameters->cNamedArgs; i < parameters->cArgs; ++i) {
      positional_.insert(positional_.begin(), Deref(parameters->rgvarg[i]));
    }
    for (UINT i = 0; i < parameters->cNamedArgs; ++i) {
      if (parameters->rgdispidNamedArgs[i] == DISPID_PROPERTYPUT) {
        put_ = Deref(parameters->rgvarg[i]);
      }
    }
    named_ = parameters->cNamedArgs;
  }

  size_t Count() const { return positional_.size(); }
  bool HasOtherNamedArguments() const { return named_ > (put_ ? 1u : 0u); }

  // An optional argument: omitted when the client left it out.
  Variant Get(size_t index) const {
    if (index >= positional_.size()) return Variant::Omitted();
    return Convert(*positional_[index], index);
  }
  // A 32-bit integer argument, which must be there.
  int32_t Int(size_t index) const {
    const VARIANT* v = Required(index);
    if (v->vt != ::VT_I4) throw BadArgument{static_cast<HRESULT>(0x80020005), index};
    return v->lVal;
  }
  // An object argument: the model object behind the client's IDispatch (or null).
  Unknown* Object(size_t index) const;
  // The value of a property put.
  const VARIANT* PutValue() const { return put_; }

 private:
  static const VARIANT* Deref(const VARIANT& v) {
    return v.vt == (::VT_BYREF | ::VT_VARIANT) ? v.pvarVal : &v;
  }
  const VARIANT* Required(size_t index) const {
    if (index >= positional_.size()) {
      throw BadArgument{static_cast<HRESULT>(0x80020004), index};  // DISP_E_PARAMNOTFOUND
    }
    return positional_[index];
  }
  static Variant Convert(const VARIANT& v, size_t index) {
    switch (v.vt) {
      case ::VT_EMPTY:
        return Variant::Empty();
      case ::VT_I4:
        return Variant::Int(v.lVal);
      case ::VT_UI4:
        return Variant::UInt(v.ulVal);
      case ::VT_BOOL:
        return Variant::Bool(v.boolVal != VARIANT_FALSE);
      case ::VT_ERROR:
        return Variant::Error(v.scode);
      case ::VT_BSTR:
        return Variant::String(Bstr(
            std::u16string(reinterpret_cast<const char16_t*>(v.bstrVal), SysStringLen(v.bstrVal))));
      default:
        // The model takes no other type: a client that sends one is caught here.
        throw BadArgument{static_cast<HRESULT>(0x80020005), index};
    }
  }

  std::vector<const VARIANT*> positional_;
  const VARIANT* put_ = nullptr;
  UINT named_ = 0;
};

class DispatchBase : public IDispatch {
 public:
  DispatchBase() = default;
  DispatchBase(const DispatchBase&) = delete;
  DispatchBase& operator=(const DispatchBase&) = delete;
  virtual ~DispatchBase() = default;

  // The model object behind this dispatch object.
  virtual Unknown* ModelObject() = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return static_cast<HRESULT>(0x80004003);
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, kIidScriptedObject)) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return 0;
    }
    *out = nullptr;
    return static_cast<HRESULT>(0x80004002);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return 0;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override {
    return static_cast<HRESULT>(0x80004001);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    HRESULT hr = 0;
    for (UINT i = 0; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      for (const MemberName& member : kNames) {
        if (Has(member.id) && SameName(member.name, names[i])) ids[i] = member.id;
      }
      if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* badArgument) override {
    if (!Has(id)) return static_cast<HRESULT>(0x80020003);  // DISP_E_MEMBERNOTFOUND
    const Arguments arguments(parameters);
    if (arguments.HasOtherNamedArguments()) return DISP_E_NONAMEDARGS;
    VARIANT ignored;
    VariantInit(&ignored);
    VARIANT* out = result ? result : &ignored;
    VariantInit(out);
    HRESULT hr;
    try {
      hr = Call(static_cast<Member>(id), flags, arguments, out);
    } catch (const BadArgument& bad) {
      // Invoke counts arguments from the last.
      if (badArgument) *badArgument = static_cast<UINT>(arguments.Count() - 1 - bad.index);
      return bad.hr;
    }
    VariantClear(&ignored);
    if (SUCCEEDED(hr) || !exception) return hr;
    // A failure of the model is raised as Word raises its errors: an exception whose code
    // is the failure.
    *exception = EXCEPINFO{};
    exception->scode = hr;
    exception->bstrSource = SysAllocString(L"Folivex scripted server");
    exception->bstrDescription = SysAllocString(L"The scripted call failed");
    return static_cast<HRESULT>(0x80020009);  // DISP_E_EXCEPTION
  }

 protected:
  virtual bool Has(DISPID id) const = 0;
  virtual HRESULT Call(Member id, WORD flags, const Arguments& arguments, VARIANT* result) = 0;

  static bool IsGet(WORD flags) { return (flags & DISPATCH_PROPERTYGET) != 0; }
  static bool IsMethod(WORD flags) { return (flags & DISPATCH_METHOD) != 0; }
  static bool IsPut(WORD flags) { return (flags & DISPATCH_PROPERTYPUT) != 0; }

  static HRESULT PutBool(const Arguments& arguments, bool& value) {
    const VARIANT* v = arguments.PutValue();
    if (!v) return static_cast<HRESULT>(0x80020004);
    if (v->vt != ::VT_BOOL) throw BadArgument{static_cast<HRESULT>(0x80020005), 0};
    value = v->boolVal != VARIANT_FALSE;
    return 0;
  }
  static HRESULT PutInt(const Arguments& arguments, int32_t& value) {
    const VARIANT* v = arguments.PutValue();
    if (!v) return static_cast<HRESULT>(0x80020004);
    if (v->vt != ::VT_I4) throw BadArgument{static_cast<HRESULT>(0x80020005), 0};
    value = v->lVal;
    return 0;
  }
  // The value and the object below are taken by reference: they are read only once the
  // call that fills them, the first argument, has run.
  static HRESULT ReturnInt(HRESULT hr, const int32_t& value, VARIANT* result) {
    if (SUCCEEDED(hr)) {
      result->vt = ::VT_I4;
      result->lVal = value;
    }
    return hr;
  }
  // Hands a model object back as a dispatch object; a null object as a null dispatch.
  template <class Wrapper, class Model>
  static HRESULT ReturnObject(HRESULT hr, Model* const& object, VARIANT* result) {
    ComPtr<Model> owned = ComPtr<Model>::Attach(object);
    if (FAILED(hr)) return hr;
    result->vt = ::VT_DISPATCH;
    result->pdispVal = owned ? new Wrapper(owned.Get()) : nullptr;
    return hr;
  }

 private:
  ULONG references_ = 1;
};

// A dispatch object over one model object of interface I.
template <class I>
class Dispatch : public DispatchBase {
 public:
  explicit Dispatch(I* object) : object_(object) {}
  Unknown* ModelObject() override { return object_.Get(); }

 protected:
  I* Model() const { return object_.Get(); }

 private:
  ComPtr<I> object_;
};

// A member called as what it is not (a property as a method, say): as Word answers.
constexpr HRESULT kWrongKind = static_cast<HRESULT>(0x80020003);  // DISP_E_MEMBERNOTFOUND

class BorderDispatch final : public Dispatch<Border> {
 public:
  using Dispatch::Dispatch;

 protected:
  bool Has(DISPID id) const override { return id == kLineStyle; }
  HRESULT Call(Member, WORD flags, const Arguments& a, VARIANT*) override {
    if (!IsPut(flags)) return kWrongKind;
    int32_t style = 0;
    const HRESULT hr = PutInt(a, style);
    return FAILED(hr) ? hr : Model()->put_LineStyle(style);
  }
};

class BordersDispatch final : public Dispatch<Borders> {
 public:
  using Dispatch::Dispatch;

 protected:
  bool Has(DISPID id) const override { return id == kItem; }
  HRESULT Call(Member, WORD flags, const Arguments& a, VARIANT* result) override {
    if (!IsMethod(flags) && !IsGet(flags)) return kWrongKind;
    Border* border = nullptr;
    const HRESULT hr = Model()->Item(a.Int(0), &border);
    return ReturnObject<BorderDispatch>(hr, border, result);
  }
};

class RowsDispatch final : public Dispatch<Rows> {
 public:
  using Dispatch::Dispatch;

 protected:
  bool Has(DISPID id) const override { return id == kAlignment; }
  HRESULT Call(Member, WORD flags, const Arguments& a, VARIANT*) override {
    if (!IsPut(flags)) return kWrongKind;
    int32_t alignment = 0;
    const HRESULT hr = PutInt(a, alignment);
    return FAILED(hr) ? hr : Model()->put_Alignment(alignment);
  }
};

class TableDispatch final : public Dispatch<Table> {
 public:
  using Dispatch::Dispatch;

 protected:
  bool Has(DISPID id) const override { return id == kRows || id == kBorders; }
  HRESULT Call(Member id, WORD flags, const Arguments&, VARIANT* result) override {
    if (!IsGet(flags)) return kWrongKind;
    if (id == kRows) {
      automation::Rows* rows = nullptr;
      return ReturnObject<RowsDispatch>(Model()->get_Rows(&rows), rows, result);
    }
    automation::Borders* borders = nullptr;
    return ReturnObject<BordersDispatch>(Model()->get_Borders(&borders), borders, result);
  }
};

class TablesDispatch final : public Dispatch<Tables> {
 public:
  using Dispatch::Dispatch;

 protected:
  bool Has(DISPID id) const override { return id == kAdd || id == kItem; }
  HRESULT Call(Member id, WORD flags, const Arguments& a, VARIANT* result) override {
    Table* table = nullptr;
    if (id == kItem) {
      if (!IsMethod(flags) && !IsGet(flags)) return kWrongKind;
      return ReturnObject<TableDispatch>(Model()->Item(a.Int(0), &table), table, result);
    }
    if (!IsMethod(flags)) return kWrongKind;
    auto* range = static_cast<automation::Range*>(a.Object(0));
    const HRESULT hr = Model()->Add(range, a.Int(1), a.Int(2), a.Get(3), a.Get(4), &table);
    return ReturnObject<TableDispatch>(hr, table, result);
  }
};

class RangeDispatch final : public Dispatch<automation::Range> {
 public:
  using Dispatch::Dispatch;

 protected:
  bool Has(DISPID id) const override {
    return id == kStart || id == kEnd || id == kInformation || id == kCopy;
  }
  HRESULT Call(Member id, WORD flags, const Arguments& a, VARIANT* result) override {
    int32_t value = 0;
    switch (id) {
      case kStart:
        if (!IsGet(flags)) return kWrongKind;
        return ReturnInt(Model()->get_Start(&value), value, result);
      case kEnd:
        if (!IsGet(flags)) return kWrongKind;
        return ReturnInt(Model()->get_End(&value), value, result);
      case kInformation: {
        if (!IsGet(flags)) return kWrongKind;
        Variant information;
        const HRESULT hr = Model()->get_Information(a.Int(0), &information);
        if (SUCCEEDED(hr)) ToOle(information, *result);
        return hr;
      }
      default:
        if (!IsMethod(flags)) return kWrongKind;
        return Model()->Copy();
    }
  }

 private:
  static void ToOle(const Variant& in, VARIANT& out) {
    switch (in.Type()) {
      case automation::VT_I4:
        out.vt = ::VT_I4;
        out.lVal = in.IntValue();
        break;
      case automation::VT_UI4:
        out.vt = ::VT_UI4;
        out.ulVal = in.UIntValue();
        break;
      case automation::VT_BOOL:
        out.vt = ::VT_BOOL;
        out.boolVal = in.BoolValue() ? VARIANT_TRUE : VARIANT_FALSE;
        break;
      case automation::VT_ERROR:
        out.vt = ::VT_ERROR;
        out.scode = in.ErrorValue();
        break;
      case automation::VT_BSTR: {
        const std::u16string& text = in.StringValue().Text();
        out.vt = ::VT_BSTR;
        out.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                        static_cast<UINT>(text.size()));
        break;
      }
      case automation::VT_EMPTY:
        break;
    }
  }
};

class SelectionDispatch final : public Dispatch<Selection> {
 public:
  using Dispatch::Dispatch;

 protected:
  bool Has(DISPID id) const override {
    return id == kWholeStory || id == kCopy || id == kGoTo || id == kMoveLeft || id == kRange ||
           id == kTables || id == kPaste;
  }
  HRESULT Call(Member id, WORD flags, const Arguments& a, VARIANT* result) override {
    automation::Range* range = nullptr;
    switch (id) {
      case kRange:
        if (!IsGet(flags)) return kWrongKind;
        return ReturnObject<RangeDispatch>(Model()->get_Range(&range), range, result);
      case kTables: {
        if (!IsGet(flags)) return kWrongKind;
        Tables* tables = nullptr;
        return ReturnObject<TablesDispatch>(Model()->get_Tables(&tables), tables, result);
      }
      default:
        break;
    }
    if (!IsMethod(flags)) return kWrongKind;
    switch (id) {
      case kWholeStory:
        return Model()->WholeStory();
      case kCopy:
        return Model()->Copy();
      case kPaste:
        return Model()->Paste();
      case kGoTo: {
        const HRESULT hr = Model()->GoTo(a.Get(0), a.Get(1), a.Get(2), a.Get(3), &range);
        return ReturnObject<RangeDispatch>(hr, range, result);
      }
      default: {
        int32_t moved = 0;
        return ReturnInt(Model()->MoveLeft(a.Get(0), a.Get(1), a.Get(2), &moved), moved, result);
      }
    }
  }
};

class DocumentDispatch final : public Dispatch<Document> {
 public:
  using Dispatch::Dispatch;

 protected:
  bool Has(DISPID id) const override {
    return id == kRange || id == kSelect || id == kTables || id == kSaveAs || id == kClose;
  }
  HRESULT Call(Member id, WORD flags, const Arguments& a, VARIANT* result) override {
    if (id == kTables) {
      if (!IsGet(flags)) return kWrongKind;
      Tables* tables = nullptr;
      return ReturnObject<TablesDispatch>(Model()->get_Tables(&tables), tables, result);
    }
    if (!IsMethod(flags)) return kWrongKind;
    switch (id) {
      case kRange: {
        automation::Range* range = nullptr;
        return ReturnObject<RangeDispatch>(Model()->Range(a.Get(0), a.Get(1), &range), range,
                                           result);
      }
      case kSelect:
        return Model()->Select();
      case kSaveAs: {
        SaveAsArguments s{a.Get(0), a.Get(1), a.Get(2), a.Get(3), a.Get(4), a.Get(5),
                          a.Get(6), a.Get(7), a.Get(8), a.Get(9), a.Get(10)};
        return Model()->SaveAs(s);
      }
      default:
        return Model()->Close(a.Get(0), a.Get(1), a.Get(2));
    }
  }
};

class DocumentsDispatch final : public Dispatch<Documents> {
 public:
  using Dispatch::Dispatch;

 protected:
  bool Has(DISPID id) const override { return id == kOpen || id == kAdd || id == kItem; }
  HRESULT Call(Member id, WORD flags, const Arguments& a, VARIANT* result) override {
    if (!IsMethod(flags) && !(id == kItem && IsGet(flags))) return kWrongKind;
    Document* document = nullptr;
    HRESULT hr;
    if (id == kOpen) {
      OpenArguments o{a.Get(0), a.Get(1), a.Get(2), a.Get(3), a.Get(4),  a.Get(5),
                      a.Get(6), a.Get(7), a.Get(8), a.Get(9), a.Get(10), a.Get(11)};
      hr = Model()->Open(o, &document);
    } else if (id == kAdd) {
      hr = Model()->Add(a.Get(0), a.Get(1), a.Get(2), a.Get(3), &document);
    } else {
      hr = Model()->Item(a.Get(0), &document);
    }
    return ReturnObject<DocumentDispatch>(hr, document, result);
  }
};

class OptionsDispatch final : public Dispatch<Options> {
 public:
  using Dispatch::Dispatch;

 protected:
  bool Has(DISPID id) const override {
    return id == kCheckSpellingAsYouType || id == kCheckGrammarAsYouType;
  }
  HRESULT Call(Member id, WORD flags, const Arguments& a, VARIANT*) override {
    if (!IsPut(flags)) return kWrongKind;
    bool on = false;
    const HRESULT hr = PutBool(a, on);
    if (FAILED(hr)) return hr;
    return id == kCheckSpellingAsYouType ? Model()->put_CheckSpellingAsYouType(on)
                                         : Model()->put_CheckGrammarAsYouType(on);
  }
};

class ApplicationDispatch final : public Dispatch<Application> {
 public:
  using Dispatch::Dispatch;

 protected:
  bool Has(DISPID id) const override {
    return id == kVisible || id == kOptions || id == kDocuments || id == kSelection || id == kQuit;
  }
  HRESULT Call(Member id, WORD flags, const Arguments& a, VARIANT* result) override {
    switch (id) {
      case kVisible: {
        if (!IsPut(flags)) return kWrongKind;
        bool visible = false;
        const HRESULT hr = PutBool(a, visible);
        return FAILED(hr) ? hr : Model()->put_Visible(visible);
      }
      case kQuit:
        if (!IsMethod(flags)) return kWrongKind;
        return Model()->Quit(a.Get(0), a.Get(1), a.Get(2));
      default:
        break;
    }
    if (!IsGet(flags)) return kWrongKind;
    if (id == kOptions) {
      Options* options = nullptr;
      return ReturnObject<OptionsDispatch>(Model()->get_Options(&options), options, result);
    }
    if (id == kDocuments) {
      automation::Documents* documents = nullptr;
      return ReturnObject<DocumentsDispatch>(Model()->get_Documents(&documents), documents, result);
    }
    Selection* selection = nullptr;
    return ReturnObject<SelectionDispatch>(Model()->get_Selection(&selection), selection, result);
  }
};

Unknown* Arguments::Object(size_t index) const {
  const VARIANT* v = Required(index);
  if (v->vt != ::VT_DISPATCH) throw BadArgument{static_cast<HRESULT>(0x80020005), index};
  if (!v->pdispVal) return nullptr;
  DispatchBase* object = nullptr;
  if (FAILED(v->pdispVal->QueryInterface(kIidScriptedObject, reinterpret_cast<void**>(&object)))) {
    // An object of another server: the model cannot use it.
    throw BadArgument{static_cast<HRESULT>(0x80020005), index};
  }
  Unknown* model = object->ModelObject();
  object->Release();
  return model;
}

}  // namespace

IDispatch* NewApplicationDispatch(Application* application) {
  return application ? new ApplicationDispatch(application) : nullptr;
}

}  // namespace fv::scripted
