// Where the pages of a loaded document begin in Writer's own layout, as places in its text
// that a copy can start and stop at.
//
// A page may begin in the main text, or inside a table: at a row, or inside a row that the
// layout split over two pages, where each cell has its own place of the cut. Boundary 0 is
// the start of the text, boundary b (1 <= b < page count) the start of page b + 1, and
// boundary `page count` the end of the text. Everything here talks to the office: callers
// run it inside OfficeSession::Call.
#pragma once

#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/text/XTextTable.hpp>
#include <com/sun/star/text/XTextViewCursor.hpp>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fv::office {

namespace uno = css::uno;

// Where a boundary cuts one cell of a row that continues on the next page.
struct CellSplit {
  enum class Where {
    Before,   // all of the cell lies before the boundary
    After,    // all of it lies after
    At,       // the boundary falls in paragraph `paragraph` of the cell, `offset` characters in
              // (-1: at the paragraph's end)
    InTable,  // the boundary falls in the cell's table number `table` (from 0), which has
              // `paragraph` paragraphs of the cell before it: before its row `row` (from 0),
              // or inside that row when `splitRow`, with the cuts of its cells in `cells`
  };
  std::string cell;  // its name in the source table
  Where where = Where::After;
  int32_t paragraph = 0;
  int32_t offset = 0;
  int32_t table = 0;
  int32_t row = 0;
  bool splitRow = false;
  std::vector<CellSplit> cells;
};

struct Boundary {
  enum class Kind { Body, Table, End };
  Kind kind = Kind::End;
  uno::Reference<css::text::XTextRange> body;  // Body: the place in the main text
  // Table: the outermost table of the main text that holds the boundary, and its row (from 0)
  // that the new page starts with, or that continues on it when `splitRow`.
  uno::Reference<css::text::XTextTable> table;
  std::string tableName;
  int32_t row = 0;
  bool splitRow = false;
  std::vector<CellSplit> cells;  // splitRow: each cell of the row
};

// What comes right after (or before) a table of the main text.
struct Neighbour {
  enum class Kind { Body, Table, None };
  Kind kind = Kind::None;
  uno::Reference<css::text::XTextRange> body;   // Body: the place next to the table
  uno::Reference<css::text::XTextTable> table;  // Table: the adjacent table
  std::string tableName;
};

class PageLayout {
 public:
  PageLayout(uno::Reference<css::text::XTextDocument> document,
             uno::Reference<css::frame::XController> controller);

  // Writer's page count (asked once: it lays out the whole document).
  int32_t PageCount();
  // Boundary b, 0 <= b <= PageCount(); computed on first use and kept.
  const Boundary& At(int32_t b);

  Neighbour After(const uno::Reference<css::text::XTextTable>& table, const std::string& name);
  Neighbour Before(const uno::Reference<css::text::XTextTable>& table, const std::string& name);

  // The names of a table's cells, row by row (rows from 0).
  const std::vector<std::vector<std::string>>& Rows(
      const uno::Reference<css::text::XTextTable>& table, const std::string& name);

  const uno::Reference<css::text::XText>& Body() const { return body_; }
  const uno::Reference<css::text::XTextDocument>& Document() const { return document_; }
  // Where a boundary lies in the main text or in a cell of a table in it.
  uno::Reference<css::text::XTextRange> PlaceOf(const Boundary& boundary);
  const uno::Reference<css::frame::XController>& Controller() const { return controller_; }
  // Whether `a` lies before `b` in the main text.
  bool Before(const uno::Reference<css::text::XTextRange>& a,
              const uno::Reference<css::text::XTextRange>& b);

 private:
  // Marks the deletions that the document shows as insertions, so that copies keep their text.
  void KeepDeletedText();
  Boundary Compute(int32_t b);
  Boundary StartOfText();
  std::optional<Boundary> InTable(const uno::Reference<css::text::XTextTable>& innermost,
                                  int32_t page);
  std::vector<CellSplit> SplitRow(const uno::Reference<css::text::XTextTable>& table,
                                  const std::string& name, int32_t row, int32_t page);
  CellSplit SplitCell(const uno::Reference<css::text::XText>& cell, const std::string& name,
                      int32_t page);
  int32_t OffsetOnPage(const uno::Reference<css::text::XText>& cell,
                       const uno::Reference<css::text::XTextRange>& paragraph, int32_t page);
  // The page that a place is laid out on; 0 when the place is not laid out (hidden).
  int32_t PageOf(const uno::Reference<css::text::XTextRange>& place);
  // The table of the main text that holds `table` (itself when it is one); `cellInOutermost`
  // gets the cell of it that holds `table`, when it is another.
  uno::Reference<css::text::XTextTable> Outermost(
      const uno::Reference<css::text::XTextTable>& table, std::string* cellInOutermost);
  Neighbour Step(const uno::Reference<css::text::XTextTable>& table, const std::string& name,
                 bool forward);
  bool IsBody(const uno::Reference<css::text::XText>& text);

  uno::Reference<css::text::XTextDocument> document_;
  uno::Reference<css::frame::XController> controller_;
  uno::Reference<css::text::XText> body_;
  uno::Reference<css::text::XTextViewCursor> cursor_;
  int32_t pageCount_ = -1;
  std::map<int32_t, Boundary> boundaries_;
  std::map<std::string, std::vector<std::vector<std::string>>> rows_;
  std::map<std::string, Neighbour> after_, before_;
};

}  // namespace fv::office
