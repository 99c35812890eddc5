#include "automation/office/PageLayout.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/XRedlinesSupplier.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/text/XPageCursor.hpp>
#include <com/sun/star/text/XRedline.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextRangeCompare.hpp>
#include <com/sun/star/text/XTextViewCursorSupplier.hpp>

#include <com/sun/star/lang/DisposedException.hpp>

#include <algorithm>

#include "automation/office/CellNames.h"
#include "automation/office/UnoConnection.h"

namespace fv::office {

using css::beans::XPropertySet;
using css::text::XText;
using css::text::XTextRange;
using css::text::XTextTable;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

namespace {

// How far a cursor steps to get out of a table before giving up (nested tables, hidden text).
constexpr int kMaxSteps = 16;

std::string NameOf(const Reference<XTextTable>& table) {
  return ToUtf8(Reference<css::container::XNamed>(table, UNO_QUERY_THROW)->getName());
}

bool IsTable(const Reference<uno::XInterface>& element) {
  Reference<css::lang::XServiceInfo> info(element, UNO_QUERY);
  return info.is() && info->supportsService("com.sun.star.text.TextTable");
}

Reference<XTextTable> TableUnderCursor(const Reference<css::text::XTextViewCursor>& cursor) {
  Reference<XTextTable> table;
  Reference<XPropertySet>(cursor, UNO_QUERY_THROW)->getPropertyValue("TextTable") >>= table;
  return table;
}

}  // namespace

PageLayout::PageLayout(Reference<css::text::XTextDocument> document,
                       Reference<css::frame::XController> controller)
    : document_(std::move(document)), controller_(std::move(controller)) {
  body_ = document_->getText();
  cursor_ =
      Reference<css::text::XTextViewCursorSupplier>(controller_, UNO_QUERY_THROW)->getViewCursor();
}

int32_t PageLayout::PageCount() {
  if (pageCount_ < 0) {
    KeepDeletedText();
    sal_Int32 count = 0;
    Reference<XPropertySet>(controller_, UNO_QUERY_THROW)->getPropertyValue("PageCount") >>= count;
    pageCount_ = count < 1 ? 1 : count;
  }
  return pageCount_;
}

const Boundary& PageLayout::At(int32_t b) {
  const int32_t count = PageCount();
  b = std::clamp(b, 0, count);
  auto found = boundaries_.find(b);
  if (found != boundaries_.end()) return found->second;
  // Computed from the end backwards where needed: a page that begins outside the main text
  // (a page of endnotes) takes the next boundary.
  Boundary computed = Compute(b);
  return boundaries_.emplace(b, std::move(computed)).first->second;
}

void PageLayout::KeepDeletedText() {
  // The office leaves text marked as deleted out of every copy, while its layout (and its own
  // HTML of the whole document) shows it, struck through, where the document shows its
  // changes. Marked as inserted instead, the text stays in the copies and lays out the same;
  // the document is never saved.
  Reference<css::document::XRedlinesSupplier> supplier(document_, UNO_QUERY);
  Reference<XPropertySet> settings(document_, UNO_QUERY);
  bool shown = false;
  if (!supplier.is() || !settings.is() ||
      !settings->getPropertySetInfo()->hasPropertyByName("ShowChanges") ||
      !(settings->getPropertyValue("ShowChanges") >>= shown) || !shown) {
    return;
  }
  std::vector<Reference<XPropertySet>> deletions;
  auto redlines = supplier->getRedlines()->createEnumeration();
  while (redlines->hasMoreElements()) {
    Reference<XPropertySet> redline(redlines->nextElement(), UNO_QUERY);
    rtl::OUString type;
    if (redline.is() && (redline->getPropertyValue("RedlineType") >>= type) && type == "Delete") {
      deletions.push_back(redline);
    }
  }
  for (const auto& deletion : deletions) {
    try {
      Reference<XTextRange> start(deletion->getPropertyValue("RedlineStart"), UNO_QUERY);
      Reference<XTextRange> end(deletion->getPropertyValue("RedlineEnd"), UNO_QUERY);
      if (!start.is() || !end.is()) continue;
      auto range = start->getText()->createTextCursorByRange(start);
      range->gotoRange(end, true);
      Reference<css::text::XRedline>(range, UNO_QUERY_THROW)
          ->makeRedline("Insert", uno::Sequence<css::beans::PropertyValue>());
    } catch (const css::lang::DisposedException&) {
      throw;
    } catch (const css::uno::RuntimeException&) {
      // A deletion the text cannot reach from its start (across a table's cells): it stays.
    }
  }
}

Boundary PageLayout::Compute(int32_t b) {
  const int32_t count = PageCount();
  if (b <= 0) return StartOfText();
  if (b >= count) {
    Boundary end;
    end.kind = Boundary::Kind::End;
    end.body = body_->getEnd();
    return end;
  }
  const int32_t page = b + 1;
  Reference<css::text::XPageCursor> pages(cursor_, UNO_QUERY_THROW);
  if (pages->jumpToPage(static_cast<sal_Int16>(std::min<int32_t>(page, 32767)))) {
    pages->jumpToStartOfPage();
    if (Reference<XTextTable> table = TableUnderCursor(cursor_); table.is()) {
      if (auto inTable = InTable(table, page)) return *inTable;
    } else if (IsBody(cursor_->getText())) {
      Boundary body;
      body.kind = Boundary::Kind::Body;
      body.body.set(body_->createTextCursorByRange(cursor_->getStart()), UNO_QUERY_THROW);
      return body;
    }
  }
  return At(b + 1);
}

Boundary PageLayout::StartOfText() {
  Boundary start;
  auto elements =
      Reference<css::container::XEnumerationAccess>(body_, UNO_QUERY_THROW)->createEnumeration();
  if (elements->hasMoreElements()) {
    Reference<uno::XInterface> first(elements->nextElement(), UNO_QUERY);
    if (IsTable(first)) {
      start.kind = Boundary::Kind::Table;
      start.table.set(first, UNO_QUERY_THROW);
      start.tableName = NameOf(start.table);
      start.row = 0;
      return start;
    }
  }
  start.kind = Boundary::Kind::Body;
  start.body = body_->getStart();
  return start;
}

std::optional<Boundary> PageLayout::InTable(const Reference<XTextTable>& innermost, int32_t page) {
  std::string cellName;
  Reference<XPropertySet> cell;
  Reference<XPropertySet>(cursor_, UNO_QUERY_THROW)->getPropertyValue("Cell") >>= cell;
  if (cell.is()) {
    rtl::OUString name;
    cell->getPropertyValue("CellName") >>= name;
    cellName = ToUtf8(name);
  }
  Reference<XTextTable> table = Outermost(innermost, &cellName);
  const auto parsed = ParseCellName(cellName);
  if (!table.is() || !parsed) return std::nullopt;
  Boundary boundary;
  boundary.kind = Boundary::Kind::Table;
  boundary.table = table;
  boundary.tableName = NameOf(table);
  boundary.row = parsed->row - 1;
  const auto& rows = Rows(table, boundary.tableName);
  if (boundary.row >= static_cast<int32_t>(rows.size()) || rows[boundary.row].empty()) {
    return std::nullopt;
  }
  // All cells of a row start on the same page: a first cell that starts on an earlier page
  // means the row was split and continues here.
  Reference<XText> first(table->getCellByName(ToOUString(rows[boundary.row].front())),
                         UNO_QUERY_THROW);
  const int32_t rowPage = PageOf(first->getStart());
  if (rowPage > 0 && rowPage < page) {
    boundary.splitRow = true;
    boundary.cells = SplitRow(table, boundary.tableName, boundary.row, page);
  }
  return boundary;
}

std::vector<CellSplit> PageLayout::SplitRow(const Reference<XTextTable>& table,
                                            const std::string& name, int32_t row, int32_t page) {
  std::vector<CellSplit> cells;
  for (const auto& cellName : Rows(table, name)[row]) {
    Reference<XText> cell(table->getCellByName(ToOUString(cellName)), UNO_QUERY_THROW);
    cells.push_back(SplitCell(cell, cellName, page));
  }
  return cells;
}

CellSplit PageLayout::SplitCell(const Reference<XText>& cell, const std::string& name,
                                int32_t page) {
  CellSplit split;
  split.cell = name;
  const int32_t endPage = PageOf(cell->getEnd());
  if (endPage > 0 && endPage < page) {
    split.where = CellSplit::Where::Before;
    return split;
  }
  if (PageOf(cell->getStart()) >= page) {
    split.where = CellSplit::Where::After;
    return split;
  }
  split.where = CellSplit::Where::At;
  // Paragraphs are counted, not the tables among them, as a paragraph cursor counts them.
  auto elements =
      Reference<css::container::XEnumerationAccess>(cell, UNO_QUERY_THROW)->createEnumeration();
  int32_t index = -1;
  int32_t tables = 0;
  Reference<XTextRange> previous;
  while (elements->hasMoreElements()) {
    Reference<uno::XInterface> element(elements->nextElement(), UNO_QUERY);
    if (IsTable(element)) {
      Reference<XTextTable> nested(element, UNO_QUERY_THROW);
      ++tables;
      const auto& rows = Rows(nested, NameOf(nested));
      if (rows.empty() || rows.front().empty() || rows.back().empty()) continue;
      auto rowStart = [&](size_t r) {
        if (rows[r].empty()) return 0;
        Reference<XText> first(nested->getCellByName(ToOUString(rows[r].front())), UNO_QUERY_THROW);
        return PageOf(first->getStart());
      };
      if (rowStart(0) >= page) {
        // The cut goes before this table: at the end of the paragraph ahead of it.
        split.paragraph = std::max(index, 0);
        split.offset = index < 0 ? 0 : -1;
        return split;
      }
      Reference<XText> last(nested->getCellByName(ToOUString(rows.back().back())), UNO_QUERY_THROW);
      if (PageOf(last->getEnd()) < page) continue;
      // The table runs over the boundary: the cut goes before its first row on the page, or
      // into the row before that one when the boundary splits it.
      size_t low = 0;
      size_t high = rows.size();
      while (high - low > 1) {
        const size_t middle = low + (high - low) / 2;
        if (rowStart(middle) >= page) {
          high = middle;
        } else {
          low = middle;
        }
      }
      split.paragraph = index + 1;
      auto cells = SplitRow(nested, NameOf(nested), static_cast<int32_t>(low), page);
      const bool splitRow = std::any_of(cells.begin(), cells.end(), [](const CellSplit& c) {
        return c.where != CellSplit::Where::Before;
      });
      if (splitRow || high < rows.size()) {
        split.where = CellSplit::Where::InTable;
        split.table = tables - 1;
        split.row = static_cast<int32_t>(splitRow ? low : high);
        split.splitRow = splitRow;
        if (splitRow) split.cells = std::move(cells);
      } else {
        split.offset = 0;  // the cut follows the table
      }
      return split;
    }
    Reference<XTextRange> paragraph(element, UNO_QUERY);
    if (!paragraph.is()) continue;
    ++index;
    if (PageOf(paragraph->getStart()) >= page) {
      if (previous.is() && PageOf(previous->getEnd()) >= page) {
        split.paragraph = index - 1;
        split.offset = OffsetOnPage(cell, previous, page);
      } else {
        split.paragraph = index;
        split.offset = 0;
      }
      return split;
    }
    previous = paragraph;
  }
  split.paragraph = std::max(index, 0);
  split.offset = previous.is() ? OffsetOnPage(cell, previous, page) : 0;
  return split;
}

int32_t PageLayout::OffsetOnPage(const Reference<XText>& cell,
                                 const Reference<XTextRange>& paragraph, int32_t page) {
  // The paragraph starts before the page and ends on it: find the first character on it.
  int32_t low = 0;
  int32_t high = paragraph->getString().getLength();
  while (high - low > 1) {
    const int32_t middle = low + (high - low) / 2;
    auto probe = cell->createTextCursorByRange(paragraph->getStart());
    if (!probe->goRight(static_cast<sal_Int16>(std::min(middle, 32767)), false) ||
        PageOf(Reference<XTextRange>(probe.get())) >= page) {
      high = middle;
    } else {
      low = middle;
    }
  }
  return high;
}

int32_t PageLayout::PageOf(const Reference<XTextRange>& place) {
  try {
    cursor_->gotoRange(place, false);
    return Reference<css::text::XPageCursor>(cursor_, UNO_QUERY_THROW)->getPage();
  } catch (const css::lang::DisposedException&) {
    throw;
  } catch (const css::uno::RuntimeException&) {
    return 0;
  }
}

Reference<XTextTable> PageLayout::Outermost(const Reference<XTextTable>& table,
                                            std::string* cellInOutermost) {
  // The place of a table (its anchor) lies in the cell of the table around it, if any.
  Reference<XTextTable> current = table;
  for (int depth = 0; depth < 64 && current.is(); ++depth) {
    Reference<XPropertySet> place(
        Reference<css::text::XTextContent>(current, UNO_QUERY_THROW)->getAnchor(), UNO_QUERY_THROW);
    Reference<XTextTable> around;
    place->getPropertyValue("TextTable") >>= around;
    if (!around.is()) return current;
    if (cellInOutermost) {
      Reference<XPropertySet> cell;
      place->getPropertyValue("Cell") >>= cell;
      rtl::OUString name;
      if (cell.is()) cell->getPropertyValue("CellName") >>= name;
      *cellInOutermost = ToUtf8(name);
    }
    current = around;
  }
  return nullptr;
}

const std::vector<std::vector<std::string>>& PageLayout::Rows(const Reference<XTextTable>& table,
                                                              const std::string& name) {
  auto found = rows_.find(name);
  if (found != rows_.end()) return found->second;
  std::vector<std::vector<std::string>> rows;
  for (const auto& cellName : table->getCellNames()) {
    const std::string text = ToUtf8(cellName);
    const auto parsed = ParseCellName(text);
    if (!parsed || parsed->row > 1000000) continue;
    if (static_cast<int32_t>(rows.size()) < parsed->row) rows.resize(parsed->row);
    rows[parsed->row - 1].push_back(text);
  }
  return rows_.emplace(name, std::move(rows)).first->second;
}

Neighbour PageLayout::After(const Reference<XTextTable>& table, const std::string& name) {
  auto found = after_.find(name);
  if (found != after_.end()) return found->second;
  return after_.emplace(name, Step(table, name, true)).first->second;
}

Neighbour PageLayout::Before(const Reference<XTextTable>& table, const std::string& name) {
  auto found = before_.find(name);
  if (found != before_.end()) return found->second;
  return before_.emplace(name, Step(table, name, false)).first->second;
}

Neighbour PageLayout::Step(const Reference<XTextTable>& table, const std::string& name,
                           bool forward) {
  Neighbour none;
  const auto& rows = Rows(table, name);
  if (rows.empty() || rows.front().empty() || rows.back().empty()) return none;
  Reference<XText> cell(
      table->getCellByName(ToOUString(forward ? rows.back().back() : rows.front().front())),
      UNO_QUERY_THROW);
  try {
    cursor_->gotoRange(forward ? cell->getEnd() : cell->getStart(), false);
    for (int step = 0; step < kMaxSteps; ++step) {
      if (!(forward ? cursor_->goRight(1, false) : cursor_->goLeft(1, false))) return none;
      Reference<XTextTable> under = TableUnderCursor(cursor_);
      if (!under.is()) {
        if (!IsBody(cursor_->getText())) continue;
        Neighbour body;
        body.kind = Neighbour::Kind::Body;
        body.body.set(body_->createTextCursorByRange(cursor_->getStart()), UNO_QUERY_THROW);
        return body;
      }
      Reference<XTextTable> outer = Outermost(under, nullptr);
      if (!outer.is()) return none;
      const std::string outerName = NameOf(outer);
      if (outerName == name) continue;  // still inside the table itself
      Neighbour next;
      next.kind = Neighbour::Kind::Table;
      next.table = outer;
      next.tableName = outerName;
      return next;
    }
  } catch (const css::lang::DisposedException&) {
    throw;
  } catch (const css::uno::RuntimeException&) {
    // A table the view cannot reach (hidden): nothing found next to it.
  }
  return none;
}

Reference<XTextRange> PageLayout::PlaceOf(const Boundary& boundary) {
  if (boundary.kind != Boundary::Kind::Table) return boundary.body;
  const auto& rows = Rows(boundary.table, boundary.tableName);
  if (boundary.row >= static_cast<int32_t>(rows.size()) || rows[boundary.row].empty())
    return nullptr;
  Reference<XText> cell(boundary.table->getCellByName(ToOUString(rows[boundary.row].front())),
                        UNO_QUERY_THROW);
  return cell->getStart();
}

bool PageLayout::IsBody(const Reference<XText>& text) {
  return text.is() && text == body_;
}

bool PageLayout::Before(const Reference<XTextRange>& a, const Reference<XTextRange>& b) {
  return Reference<css::text::XTextRangeCompare>(body_, UNO_QUERY_THROW)
             ->compareRegionStarts(a, b) > 0;
}

}  // namespace fv::office
