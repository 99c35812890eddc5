// Narrow text is the ANSI code page of the system.
#include "platform/win32/win32_api.h"

#include "platform/text.h"

namespace fv::platform {

std::u16string NarrowToWide(std::string_view narrow) {
  if (narrow.empty()) return {};
  const int length = static_cast<int>(narrow.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, narrow.data(), length, nullptr, 0);
  if (size <= 0) return {};
  std::u16string wide(static_cast<size_t>(size), u'\0');
  MultiByteToWideChar(CP_ACP, 0, narrow.data(), length, reinterpret_cast<wchar_t*>(wide.data()),
                      size);
  return wide;
}

std::string WideToNarrow(std::u16string_view wide) {
  if (wide.empty()) return {};
  const auto* data = reinterpret_cast<const wchar_t*>(wide.data());
  const int length = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, data, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string narrow(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, data, length, narrow.data(), size, nullptr, nullptr);
  return narrow;
}

size_t NextCharacter(const std::string& text, size_t at) {
  if (at >= text.size()) return text.size();
  // CharNextA stops at a null byte (the text's end, or one inside it): a lead byte that
  // ends the text, and the null itself, are one byte each.
  const size_t next = static_cast<size_t>(CharNextA(text.c_str() + at) - text.c_str());
  return next > at ? next : at + 1;
}

std::string UpperCase(std::string_view text) {
  // CharUpperBuffA reads the text in the ANSI code page, so the trail byte of a
  // double-byte character is never taken for a lower-case letter.
  std::string upper(text);
  if (!upper.empty()) CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
  return upper;
}

}  // namespace fv::platform
