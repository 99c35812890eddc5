#include "automation/Variant.h"

#include <cstdio>

#include "platform/text.h"

namespace fv::automation {

Bstr Bstr::FromNarrow(std::string_view narrow) {
  return Bstr(platform::NarrowToWide(narrow));
}

std::string Bstr::ToNarrow() const {
  return platform::WideToNarrow(text_);
}

Variant Variant::Error(HRESULT code) {
  Variant v;
  v.type_ = VT_ERROR;
  v.error_ = code;
  return v;
}

Variant Variant::Int(int32_t value) {
  Variant v;
  v.type_ = VT_I4;
  v.int_ = value;
  return v;
}

Variant Variant::UInt(uint32_t value) {
  Variant v;
  v.type_ = VT_UI4;
  v.uint_ = value;
  return v;
}

Variant Variant::Bool(bool value) {
  Variant v;
  v.type_ = VT_BOOL;
  v.bool_ = value ? -1 : 0;
  return v;
}

Variant Variant::String(Bstr value) {
  Variant v;
  v.type_ = VT_BSTR;
  v.string_ = std::move(value);
  return v;
}

bool Variant::ToInt32(int32_t& value) const {
  switch (type_) {
    case VT_I4:
      value = int_;
      return true;
    case VT_UI4:
      value = static_cast<int32_t>(uint_);
      return true;
    case VT_BOOL:
      value = bool_;
      return true;
    default:
      return false;
  }
}

std::string Variant::Describe() const {
  char buffer[64];
  switch (type_) {
    case VT_EMPTY:
      return "empty";
    case VT_I4:
      std::snprintf(buffer, sizeof buffer, "I4 %d", int_);
      return buffer;
    case VT_UI4:
      std::snprintf(buffer, sizeof buffer, "UI4 0x%08X", uint_);
      return buffer;
    case VT_BOOL:
      std::snprintf(buffer, sizeof buffer, "BOOL %d", bool_);
      return buffer;
    case VT_ERROR:
      if (IsOmitted()) return "omitted";
      std::snprintf(buffer, sizeof buffer, "ERROR 0x%08X", static_cast<uint32_t>(error_));
      return buffer;
    case VT_BSTR:
      return "BSTR \"" + string_.ToNarrow() + "\"";
  }
  return "?";
}

}  // namespace fv::automation
