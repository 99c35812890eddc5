// Output file names: the prefix, the number padded with zeros to six characters, ".htm";
// the path puts the output folder in front.
#include <string>

#include "platform/files.h"
#include "word/UnitWord.h"

namespace fv::word {

std::string TDOCFolivex::MakeOutputName(int32_t number) const {
  std::string digits = std::to_string(number);
  if (digits.size() < 6) digits.insert(0, 6 - digits.size(), '0');
  return FirstChar + digits + ".htm";
}

std::string TDOCFolivex::MakeOutputPath(const std::string& name) const {
  if (platform::EndsWithSeparator(SavePath)) return SavePath + name;
  return SavePath + platform::PathSeparator() + name;
}

}  // namespace fv::word
