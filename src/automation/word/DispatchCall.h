// Late-bound automation calls: a member is found by its name (GetIDsOfNames) and called
// through IDispatch::Invoke, with the arguments as OLE variants. Word's members are called
// this way, so the client needs no type library.
#pragma once

#include "platform/win32/win32_api.h"

#include <cstdint>
#include <vector>

#include "automation/Variant.h"

namespace fv::automation::word {

// The arguments of one call, in the member's own order. Owns the variants it holds.
class DispatchArguments {
 public:
  DispatchArguments() = default;
  DispatchArguments(const DispatchArguments&) = delete;
  DispatchArguments& operator=(const DispatchArguments&) = delete;
  ~DispatchArguments();

  // A variant of the automation layer, as the same OLE variant: its type and value kept,
  // texts as OLE strings.
  DispatchArguments& Add(const Variant& value);
  // A plain 32-bit integer argument (VT_I4).
  DispatchArguments& AddInt(int32_t value);
  // A flag (VT_BOOL, true = -1).
  DispatchArguments& AddBool(bool value);
  // An object argument (VT_DISPATCH); the arguments hold a reference of their own.
  DispatchArguments& AddObject(IDispatch* object);

  size_t Count() const { return values_.size(); }
  // The variants in the order Invoke expects them: the last argument first.
  VARIANTARG* Reversed();

 private:
  std::vector<VARIANTARG> values_;
  std::vector<VARIANTARG> reversed_;
};

enum class CallKind {
  kMethod,       // DISPATCH_METHOD
  kGet,          // DISPATCH_PROPERTYGET
  kMethodOrGet,  // either, as collections' Item is declared either way
  kPut,          // DISPATCH_PROPERTYPUT, the one argument being the value
};

// Calls `member` of `object`. `result` (VariantInit'ed by the caller, cleared by it) gets
// what the member returns; it may be null. When the server raises an exception the
// exception's own code is returned, not DISP_E_EXCEPTION.
HRESULT CallMember(IDispatch* object, const wchar_t* member, CallKind kind,
                   DispatchArguments& arguments, VARIANT* result);

// An OLE variant as a variant of the automation layer. Integers of other widths become
// 32-bit integers; types the layer has no place for give DISP_E_TYPEMISMATCH.
HRESULT FromOleVariant(const VARIANT& in, Variant& out);
// A returned number as a 32-bit integer.
HRESULT ToInt32(const VARIANT& in, int32_t& out);

// A VARIANT that clears itself.
class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&value_); }
  ~ScopedVariant() { VariantClear(&value_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  VARIANT* operator&() { return &value_; }
  const VARIANT& operator*() const { return value_; }

 private:
  VARIANT value_;
};

}  // namespace fv::automation::word
