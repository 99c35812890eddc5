// The system's narrow (8-bit) text: the ANSI code page on Windows, UTF-8 on POSIX.
#pragma once

#include <string>
#include <string_view>

namespace fv::platform {

std::u16string NarrowToWide(std::string_view narrow);
std::string WideToNarrow(std::u16string_view wide);
// The text upper-cased as the system upper-cases its narrow text.
std::string UpperCase(std::string_view text);

}  // namespace fv::platform
