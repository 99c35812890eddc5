// Positions and table cell names: the small pure parts of the server, kept apart so that they
// can be tested without an office.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace fv::office {

// A position (Range.Start, Range.End) counts page boundaries: boundary b (0 for the start of
// page 1, the page count for the end of the text) is position 2b, and the odd position 2b - 1
// stands for the last character before boundary b. A range from position s to position e
// runs from boundary BoundaryAt(s) to boundary BoundaryAt(e), so that the start of page i and
// the end found one character before page i + 1 delimit page i exactly, in constant time.
inline int32_t PositionOfBoundary(int32_t boundary) {
  return 2 * boundary;
}
inline int32_t BoundaryAt(int32_t position) {
  return position <= 0 ? 0 : (position + 1) / 2;
}

// A cell name of the word processor's tables: column letters, the row number from 1, and the
// rest that names a cell of a split cell (".1.2").
struct CellName {
  std::string column;
  int32_t row = 0;
  std::string rest;
};
std::optional<CellName> ParseCellName(const std::string& name);
// The same cell in row `row` (from 1).
std::string CellInRow(const CellName& cell, int32_t row);
// A column's letters in the office's order (A..Z, a..z, then AA..) as a number from 1, and
// back.
int32_t ColumnNumber(const std::string& letters);
std::string ColumnLetters(int32_t number);

}  // namespace fv::office
