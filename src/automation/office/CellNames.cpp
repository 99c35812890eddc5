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

}  // namespace fv::office
