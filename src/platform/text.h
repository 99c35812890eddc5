// The system's narrow (8-bit) text: the ANSI code page on Windows, UTF-8 on POSIX.
#pragma once

#include <string>
#include <string_view>

namespace fv::platform {

std::u16string NarrowToWide(std::string_view narrow);
std::string WideToNarrow(std::u16string_view wide);
// The text upper-cased as the system upper-cases its narrow text.
std::string UpperCase(std::string_view text);
// The offset of the character after the one at `at` (at most text.size()). On Windows a
// double-byte character of the ANSI code page is one character, so its trail byte is never
// read as a character of its own ("\" among them); POSIX text is walked byte by byte, as
// no byte of a multi-byte UTF-8 character is ASCII.
size_t NextCharacter(const std::string& text, size_t at);

}  // namespace fv::platform
