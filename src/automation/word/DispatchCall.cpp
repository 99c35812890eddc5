#include "automation/word/DispatchCall.h"

namespace fv::automation::word {
namespace {

constexpr HRESULT kMemberNotFound = static_cast<HRESULT>(0x80020003);
constexpr HRESULT kTypeMismatch = static_cast<HRESULT>(0x80020005);
constexpr HRESULT kException = static_cast<HRESULT>(0x80020009);

WORD Flags(CallKind kind) {
  switch (kind) {
    case CallKind::kMethod:
      return DISPATCH_METHOD;
    case CallKind::kGet:
      return DISPATCH_PROPERTYGET;
    case CallKind::kMethodOrGet:
      return DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    case CallKind::kPut:
      return DISPATCH_PROPERTYPUT;
  }
  return DISPATCH_METHOD;
}

// The code of the exception the server raised, its texts released.
HRESULT ExceptionCode(EXCEPINFO& exception) {
  if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  if (FAILED(exception.scode)) return exception.scode;
  // An exception named only by its 16-bit code: the automation facility's form of it.
  if (exception.wCode != 0) return static_cast<HRESULT>(0x800A0000u | exception.wCode);
  return kException;
}

}  // namespace

DispatchArguments::~DispatchArguments() {
  for (VARIANTARG& value : values_) VariantClear(&value);
}

DispatchArguments& DispatchArguments::Add(const Variant& value) {
  VARIANTARG out;
  VariantInit(&out);
  switch (value.Type()) {
    case VT_EMPTY:
      break;
    case VT_I4:
      out.vt = ::VT_I4;
      out.lVal = value.IntValue();
      break;
    case VT_UI4:
      out.vt = ::VT_UI4;
      out.ulVal = value.UIntValue();
      break;
    case VT_BOOL:
      out.vt = ::VT_BOOL;
      out.boolVal = value.BoolValue() ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case VT_ERROR:
      out.vt = ::VT_ERROR;
      out.scode = value.ErrorValue();
      break;
    case VT_BSTR: {
      const std::u16string& text = value.StringValue().Text();
      out.vt = ::VT_BSTR;
      out.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                      static_cast<UINT>(text.size()));
      break;
    }
  }
  values_.push_back(out);
  return *this;
}

DispatchArguments& DispatchArguments::AddInt(int32_t value) {
  return Add(Variant::Int(value));
}

DispatchArguments& DispatchArguments::AddBool(bool value) {
  return Add(Variant::Bool(value));
}

DispatchArguments& DispatchArguments::AddObject(IDispatch* object) {
  VARIANTARG out;
  VariantInit(&out);
  out.vt = ::VT_DISPATCH;
  out.pdispVal = object;
  if (object) object->AddRef();
  values_.push_back(out);
  return *this;
}

VARIANTARG* DispatchArguments::Reversed() {
  // Shallow copies: the variants stay owned by values_.
  reversed_.assign(values_.rbegin(), values_.rend());
  return reversed_.empty() ? nullptr : reversed_.data();
}

HRESULT CallMember(IDispatch* object, const wchar_t* member, CallKind kind,
                   DispatchArguments& arguments, VARIANT* result) {
  if (!object) return static_cast<HRESULT>(0x80004003);  // E_POINTER
  DISPID id = DISPID_UNKNOWN;
  auto* name = const_cast<LPOLESTR>(member);
  HRESULT hr = object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr == kMemberNotFound || hr == DISP_E_UNKNOWNNAME ? kMemberNotFound : hr;

  DISPPARAMS parameters{};
  parameters.rgvarg = arguments.Reversed();
  parameters.cArgs = static_cast<UINT>(arguments.Count());
  DISPID putId = DISPID_PROPERTYPUT;
  if (kind == CallKind::kPut) {
    parameters.rgdispidNamedArgs = &putId;
    parameters.cNamedArgs = 1;
  }
  EXCEPINFO exception{};
  UINT badArgument = 0;
  hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, Flags(kind), &parameters,
                      kind == CallKind::kPut ? nullptr : result, &exception, &badArgument);
  if (hr == kException) return ExceptionCode(exception);
  return hr;
}

HRESULT FromOleVariant(const VARIANT& in, Variant& out) {
  switch (in.vt) {
    case ::VT_EMPTY:
      out = Variant::Empty();
      return 0;
    case ::VT_I4:
      out = Variant::Int(in.lVal);
      return 0;
    case ::VT_UI4:
      out = Variant::UInt(in.ulVal);
      return 0;
    case ::VT_BOOL:
      out = Variant::Bool(in.boolVal != VARIANT_FALSE);
      return 0;
    case ::VT_ERROR:
      out = Variant::Error(in.scode);
      return 0;
    case ::VT_BSTR:
      out = Variant::String(Bstr(
          std::u16string(reinterpret_cast<const char16_t*>(in.bstrVal), SysStringLen(in.bstrVal))));
      return 0;
    default: {
      int32_t number = 0;
      const HRESULT hr = ToInt32(in, number);
      if (SUCCEEDED(hr)) out = Variant::Int(number);
      return hr;
    }
  }
}

HRESULT ToInt32(const VARIANT& in, int32_t& out) {
  switch (in.vt) {
    case ::VT_I1:
    case ::VT_I2:
    case ::VT_I4:
    case ::VT_INT:
    case ::VT_UI1:
    case ::VT_UI2:
    case ::VT_UI4:
    case ::VT_UINT:
    case ::VT_I8:
    case ::VT_UI8:
    case ::VT_R4:
    case ::VT_R8:
      break;
    default:
      return kTypeMismatch;
  }
  VARIANT converted;
  VariantInit(&converted);
  const HRESULT hr = VariantChangeType(&converted, const_cast<VARIANT*>(&in), 0, ::VT_I4);
  if (FAILED(hr)) return hr;
  out = converted.lVal;
  return 0;
}

}  // namespace fv::automation::word
