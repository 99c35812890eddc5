#include "automation/office/CellNames.h"

namespace fv::office {

std::optional<CellName> ParseCellName(const std::string& name) {
  CellName cell;
  size_t i = 0;
  while (i < name.size() &&
         ((name[i] >= 'A' && name[i] <= 'Z') || (name[i] >= 'a' && name[i] <= 'z'))) {
    cell.column.push_back(name[i]);
    ++i;
  }
  const size_t digits = i;
  int64_t row = 0;
  while (i < name.size() && name[i] >= '0' && name[i] <= '9' && row < 100000000) {
    row = row * 10 + (name[i] - '0');
    ++i;
  }
  if (cell.column.empty() || i == digits || row <= 0 || row >= 100000000) return std::nullopt;
  if (i < name.size() && name[i] != '.') return std::nullopt;
  cell.row = static_cast<int32_t>(row);
  cell.rest = name.substr(i);
  return cell;
}

std::string CellInRow(const CellName& cell, int32_t row) {
  return cell.column + std::to_string(row) + cell.rest;
}

int32_t ColumnNumber(const std::string& letters) {
  int32_t number = 0;
  for (char c : letters) number = number * 52 + (c >= 'a' ? c - 'a' + 26 : c - 'A') + 1;
  return number;
}

std::string ColumnLetters(int32_t number) {
  std::string letters;
  for (; number > 0; number = (number - 1) / 52) {
    const int32_t digit = (number - 1) % 52;
    letters.insert(letters.begin(), static_cast<char>(digit < 26 ? 'A' + digit : 'a' + digit - 26));
  }
  return letters;
}

}  // namespace fv::office
