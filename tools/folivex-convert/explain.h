// What every code of WM_CONVERT_ERROR means to the person running a conversion, and what
// to do about it.
#pragma once

#include <cstdint>
#include <string>

namespace fvc {

struct Explanation {
  std::string meaning;
  std::string advice;
};

// For a WM_CONVERT_ERROR code (0xFFFFFFFF included). A code the library does not document
// gets an explanation that says so.
Explanation ExplainError(uint32_t code);

// The code as people read it: "104", or "-1" for 0xFFFFFFFF.
std::string CodeText(uint32_t code);

}  // namespace fvc
