// Arguments of automation calls: OLE strings and variants of the few types the engine uses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "automation/HResult.h"

namespace fv::automation {

// An OLE string: UTF-16 text, converted from the system's narrow encoding.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::u16string text) : text_(std::move(text)) {}
  static Bstr FromNarrow(std::string_view narrow);
  std::string ToNarrow() const;
  const std::u16string& Text() const { return text_; }
  bool operator==(const Bstr&) const = default;

 private:
  std::u16string text_;
};

enum VarType : uint16_t {
  VT_EMPTY = 0,
  VT_I4 = 3,
  VT_BSTR = 8,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_UI4 = 19,
};

class Variant {
 public:
  Variant() = default;  // empty (VT_EMPTY)
  static Variant Empty() { return Variant(); }
  // An omitted optional argument: an error variant holding DISP_E_PARAMNOTFOUND.
  static Variant Omitted() { return Error(DISP_E_PARAMNOTFOUND); }
  static Variant Error(HRESULT code);
  static Variant Int(int32_t value);
  static Variant UInt(uint32_t value);
  static Variant Bool(bool value);  // stored as -1 (true) or 0
  static Variant String(Bstr value);
  static Variant String(std::string_view narrow) { return String(Bstr::FromNarrow(narrow)); }

  VarType Type() const { return type_; }
  bool IsOmitted() const { return type_ == VT_ERROR && error_ == DISP_E_PARAMNOTFOUND; }
  int32_t IntValue() const { return int_; }      // VT_I4
  uint32_t UIntValue() const { return uint_; }   // VT_UI4
  int16_t BoolValue() const { return bool_; }    // VT_BOOL: -1 or 0
  HRESULT ErrorValue() const { return error_; }  // VT_ERROR
  const Bstr& StringValue() const { return string_; }

  // The integer a numeric variant holds (VT_I4, VT_UI4 as its 32 bits, VT_BOOL); false for
  // any other type.
  bool ToInt32(int32_t& value) const;
  // A readable form for logs: "empty", "omitted", "I4 3", "UI4 0xFFFFFFFF", "BOOL -1",
  // "BSTR \"text\"", "ERROR 0x80020004".
  std::string Describe() const;

  bool operator==(const Variant&) const = default;

 private:
  VarType type_ = VT_EMPTY;
  int32_t int_ = 0;
  uint32_t uint_ = 0;
  int16_t bool_ = 0;
  HRESULT error_ = 0;
  Bstr string_;
};

}  // namespace fv::automation
