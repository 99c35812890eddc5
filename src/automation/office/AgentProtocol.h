// How the office server and its agent in the office talk: named arguments of XJob.execute,
// numbers, texts and bytes, and table formats as runs of numbers.
#pragma once

#include <com/sun/star/beans/NamedValue.hpp>

#include <string>
#include <utility>
#include <vector>

#include "automation/office/CallFailure.h"
#include "automation/office/DocumentOps.h"
#include "automation/office/UnoConnection.h"

namespace fv::office {

// The implementation name under which the agent's library makes the agent. It names the
// version of this protocol: an office that still has an older agent loaded (a shared office
// that outlived an update of the server) makes none under the new name, and is then served
// over the pipe.
inline constexpr const char* kAgentImplementation = "org.folivex.OfficeAgent.1";

inline css::uno::Sequence<sal_Int8> ToBytes(const std::string& bytes) {
  return css::uno::Sequence<sal_Int8>(reinterpret_cast<const sal_Int8*>(bytes.data()),
                                      static_cast<sal_Int32>(bytes.size()));
}

inline std::string FromBytes(const css::uno::Sequence<sal_Int8>& bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.getConstArray()),
                     static_cast<size_t>(bytes.getLength()));
}

// Table formats as numbers: for each table its number, its six border styles, its alignment.
inline css::uno::Sequence<sal_Int32> EncodeFormats(
    const std::vector<std::pair<int32_t, TableFormat>>& formats) {
  css::uno::Sequence<sal_Int32> out(static_cast<sal_Int32>(formats.size() * 8));
  sal_Int32* at = out.getArray();
  for (const auto& [table, format] : formats) {
    *at++ = table;
    for (int32_t b : format.borders) *at++ = b;
    *at++ = format.alignment;
  }
  return out;
}

inline std::vector<std::pair<int32_t, TableFormat>> DecodeFormats(
    const css::uno::Sequence<sal_Int32>& numbers) {
  std::vector<std::pair<int32_t, TableFormat>> formats;
  for (sal_Int32 i = 0; i + 8 <= numbers.getLength(); i += 8) {
    TableFormat format;
    for (int b = 0; b < 6; ++b) format.borders[b] = numbers[i + 1 + b];
    format.alignment = numbers[i + 7];
    formats.emplace_back(numbers[i], format);
  }
  return formats;
}

// The agent's view of one call's arguments.
class AgentArguments {
 public:
  explicit AgentArguments(const css::uno::Sequence<css::beans::NamedValue>& arguments)
      : arguments_(arguments) {}
  std::string Text(const char* name) const {
    rtl::OUString value;
    Get(name) >>= value;
    return ToUtf8(value);
  }
  int32_t Int(const char* name) const {
    sal_Int32 value = 0;
    Get(name) >>= value;
    return value;
  }
  std::string Bytes(const char* name) const {
    css::uno::Sequence<sal_Int8> value;
    Get(name) >>= value;
    return FromBytes(value);
  }
  std::vector<std::pair<int32_t, TableFormat>> Formats(const char* name) const {
    css::uno::Sequence<sal_Int32> value;
    Get(name) >>= value;
    return DecodeFormats(value);
  }

 private:
  css::uno::Any Get(const char* name) const {
    for (const auto& a : arguments_) {
      if (a.Name.equalsAscii(name)) return a.Value;
    }
    return css::uno::Any();
  }
  const css::uno::Sequence<css::beans::NamedValue>& arguments_;
};

}  // namespace fv::office
