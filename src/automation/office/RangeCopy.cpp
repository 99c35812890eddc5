#include "automation/office/RangeCopy.h"

#include <com/sun/star/datatransfer/XTransferable.hpp>
#include <com/sun/star/datatransfer/XTransferableSupplier.hpp>
#include <com/sun/star/datatransfer/XTransferableTextSupplier.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/document/XDocumentProperties.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/text/XEndnotesSupplier.hpp>
#include <com/sun/star/text/XFootnotesSupplier.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextRangeCompare.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/text/XParagraphCursor.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>
#include <osl/file.hxx>

#include <cctype>
#include <climits>

#include "automation/office/CellNames.h"
#include "automation/office/RtfText.h"
#include "automation/office/UnoConnection.h"

namespace fv::office {

using css::datatransfer::XTransferable;
using css::text::XTextRange;
using css::text::XTextTable;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

namespace {

// Runs of tables that touch each other without text between them are walked one by one;
// this many is beyond any real document.
constexpr int kMaxAdjacentTables = 100000;

std::string RtfOf(const Reference<XTransferable>& transferable) {
  css::datatransfer::DataFlavor rtf("text/rtf", "Rich Text Format",
                                    cppu::UnoType<uno::Sequence<sal_Int8>>::get());
  uno::Sequence<sal_Int8> data;
  transferable->getTransferData(rtf) >>= data;
  return WithUsedStylesOnly(std::string(reinterpret_cast<const char*>(data.getConstArray()),
                                        static_cast<size_t>(data.getLength())));
}

// Moves a cursor in a cell to a cut; false when the whole cell lies before the cut.
bool MoveToCut(const Reference<css::text::XTextCursor>& cursor, const CellSplit& cut, bool expand) {
  switch (cut.where) {
    case CellSplit::Where::Before:
      cursor->gotoEnd(expand);
      return false;
    case CellSplit::Where::After:
      cursor->gotoStart(expand);
      return true;
    case CellSplit::Where::At:
    case CellSplit::Where::InTable:  // taken at the table's paragraph: close enough for one cell
      break;
  }
  Reference<css::text::XParagraphCursor> paragraphs(cursor, UNO_QUERY_THROW);
  for (int32_t i = 0; i < cut.paragraph; ++i) paragraphs->gotoNextParagraph(expand);
  if (cut.where == CellSplit::Where::InTable) return true;
  if (cut.offset < 0) {
    paragraphs->gotoEndOfParagraph(expand);
  } else {
    for (int32_t left = cut.offset; left > 0; left -= 32767) {
      cursor->goRight(static_cast<sal_Int16>(std::min(left, 32767)), expand);
    }
  }
  return true;
}

// A cell range pasted is a table of its own whose columns start at A: the cuts of a run whose
// rows start further right (their first cells covered by a cell merged from a row above) are
// named as their cells are in the pasted table.
std::vector<CellSplit> InPastedColumns(std::vector<CellSplit> cuts, const std::string& firstCell) {
  const auto first = ParseCellName(firstCell);
  if (!first) return cuts;
  const int32_t shift = ColumnNumber(first->column) - 1;
  if (shift <= 0) return cuts;
  for (auto& cut : cuts) {
    auto name = ParseCellName(cut.cell);
    if (!name || ColumnNumber(name->column) <= shift) continue;
    name->column = ColumnLetters(ColumnNumber(name->column) - shift);
    cut.cell = CellInRow(*name, name->row);
  }
  return cuts;
}

class Copier {
 public:
  Copier(PageLayout& layout, TransferContent& content) : layout_(layout), content_(content) {}

  // The main text from `from` to `to` (which may hold whole tables).
  void Text(const Reference<XTextRange>& from, const Reference<XTextRange>& to) {
    if (!layout_.Before(from, to)) return;
    auto range = layout_.Body()->createTextCursorByRange(from);
    range->gotoRange(to, true);
    TransferPiece piece;
    piece.holdsText = !range->getString().isEmpty();
    piece.rtf = RtfOf(Reference<css::datatransfer::XTransferableTextSupplier>(layout_.Controller(),
                                                                              UNO_QUERY_THROW)
                          ->getTransferableForTextRange(Reference<XTextRange>(range.get())));
    content_.pieces.push_back(std::move(piece));
  }

  // Rows `first` to `last` (from 0) of a table; `head` and `tail` are the boundaries that cut
  // the first and last of them, if any. A cell range is the rectangle between two corner
  // cells, and takes cells of other rows only as far as the corner's row reaches: rows of
  // another make (other columns, merged cells) go in runs of their own, each a rectangle.
  void Rows(const Reference<XTextTable>& table, const std::string& name, int32_t first,
            int32_t last, const Boundary* head, const Boundary* tail) {
    const auto& rows = layout_.Rows(table, name);
    last = std::min<int32_t>(last, static_cast<int32_t>(rows.size()) - 1);
    while (first <= last && rows[first].empty()) ++first;
    while (last >= first && rows[last].empty()) --last;
    if (first > last) return;
    auto columns = [&](int32_t row) {
      std::string letters;
      for (const auto& cell : rows[row]) {
        const auto parsed = ParseCellName(cell);
        letters += (parsed ? parsed->column + parsed->rest : cell) + ",";
      }
      return letters;
    };
    int32_t runStart = first;
    while (runStart <= last) {
      if (rows[runStart].empty()) {
        ++runStart;
        continue;
      }
      int32_t runEnd = runStart;
      const std::string make = columns(runStart);
      while (runEnd < last && !rows[runEnd + 1].empty() && columns(runEnd + 1) == make) ++runEnd;
      RowRun(table, rows, runStart, runEnd,
             head && head->splitRow && head->row == runStart ? &head->cells : nullptr,
             tail && tail->splitRow && tail->row == runEnd ? &tail->cells : nullptr);
      runStart = runEnd + 1;
    }
  }

  // Rows `first` to `last`, all of one make, as one cell range.
  void RowRun(const Reference<XTextTable>& table, const std::vector<std::vector<std::string>>& rows,
              int32_t first, int32_t last, const std::vector<CellSplit>* head,
              const std::vector<CellSplit>* tail) {
    TransferPiece piece;
    piece.table = true;
    piece.holdsText = true;
    if (head) piece.head = *head;
    if (tail) piece.tail = *tail;
    if (first == last && rows[first].size() == 1) {
      // One cell is selected as the text in it: copied as text, cut here already.
      OneCell(table, rows[first].front(), piece.head, piece.tail);
      return;
    }
    piece.head = InPastedColumns(std::move(piece.head), rows[first].front());
    piece.tail = InPastedColumns(std::move(piece.tail), rows[last].front());
    const std::string corners = rows[first].front() + ":" + rows[last].back();
    try {
      auto range = Reference<css::table::XCellRange>(table, UNO_QUERY_THROW)
                       ->getCellRangeByName(ToOUString(corners));
      auto controller = layout_.Controller();
      Reference<css::view::XSelectionSupplier> selection(controller, UNO_QUERY_THROW);
      Reference<css::datatransfer::XTransferableSupplier> transfer(controller, UNO_QUERY_THROW);
      // The view takes a cell range as asked only from some places of its cursor (from the
      // start of the text, always, in every case tried; from a place after the range often
      // not): the cursor goes there first, and the copy is checked to hold table rows.
      for (int attempt = 0; attempt < 2 && piece.rtf.find("\\trowd") == std::string::npos;
           ++attempt) {
        if (attempt == 0) {
          selection->select(uno::Any(layout_.Body()->createTextCursor()));
        } else {
          Reference<css::text::XText> cell(table->getCellByName(ToOUString(rows[first].front())),
                                           UNO_QUERY_THROW);
          selection->select(uno::Any(cell->createTextCursor()));
        }
        selection->select(uno::Any(range));
        piece.rtf = RtfOf(transfer->getTransferable());
      }
      if (piece.rtf.find("\\trowd") == std::string::npos) return;
    } catch (const css::lang::DisposedException&) {
      throw;
    } catch (const css::uno::RuntimeException&) {
      return;  // a table whose cells cannot be selected as a block
    }
    content_.pieces.push_back(std::move(piece));
  }

  // The text of one cell, from a head cut to a tail cut.
  void OneCell(const Reference<XTextTable>& table, const std::string& name,
               const std::vector<CellSplit>& head, const std::vector<CellSplit>& tail) {
    Reference<css::text::XText> cell(table->getCellByName(ToOUString(name)), UNO_QUERY_THROW);
    auto range = cell->createTextCursor();
    range->gotoStart(false);
    if (!head.empty() && !MoveToCut(range, head.front(), false)) return;
    if (tail.empty()) {
      range->gotoEnd(true);
    } else {
      auto end = cell->createTextCursor();
      end->gotoStart(false);
      if (!MoveToCut(end, tail.front(), false)) end->gotoStart(false);
      range->gotoRange(Reference<XTextRange>(end.get()), true);
    }
    TransferPiece piece;
    piece.holdsText = !range->getString().isEmpty();
    if (!piece.holdsText) return;
    piece.rtf = RtfOf(Reference<css::datatransfer::XTransferableTextSupplier>(layout_.Controller(),
                                                                              UNO_QUERY_THROW)
                          ->getTransferableForTextRange(Reference<XTextRange>(range.get())));
    content_.pieces.push_back(std::move(piece));
  }

  void WholeTable(const Reference<XTextTable>& table, const std::string& name) {
    Rows(table, name, 0, static_cast<int32_t>(layout_.Rows(table, name).size()) - 1, nullptr,
         nullptr);
  }

 private:
  PageLayout& layout_;
  TransferContent& content_;
};

// The value of a note's label ("7", "iv", "c", "aa") in the document's style of numbers.
int32_t LabelValue(const std::string& label) {
  if (label.empty()) return 0;
  if (label.find_first_not_of("0123456789") == std::string::npos) {
    return label.size() < 9 ? std::stoi(label) : 0;
  }
  std::string lower;
  for (char c : label)
    lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  if (lower.find_first_not_of("ivxlcdm") == std::string::npos) {
    auto value = [](char c) {
      switch (c) {
        case 'i':
          return 1;
        case 'v':
          return 5;
        case 'x':
          return 10;
        case 'l':
          return 50;
        case 'c':
          return 100;
        case 'd':
          return 500;
        default:
          return 1000;
      }
    };
    int32_t total = 0;
    for (size_t i = 0; i < lower.size(); ++i) {
      const int v = value(lower[i]);
      total += (i + 1 < lower.size() && v < value(lower[i + 1])) ? -v : v;
    }
    if (total > 0) return total;
  }
  // Letters: a..z, then aa..zz (the same letter repeated).
  if (lower.find_first_not_of(lower[0]) == std::string::npos && lower[0] >= 'a' &&
      lower[0] <= 'z') {
    return static_cast<int32_t>(lower.size() - 1) * 26 + (lower[0] - 'a' + 1);
  }
  return 0;
}

// The numbering of the first note of `notes` between two places of the main text.
NoteNumbering FirstNote(PageLayout& layout, const Reference<css::container::XIndexAccess>& notes,
                        const Reference<css::beans::XPropertySet>& settings,
                        const Reference<XTextRange>& from, const Reference<XTextRange>& to) {
  NoteNumbering numbering;
  const sal_Int32 count = notes.is() ? notes->getCount() : 0;
  if (count == 0 || !from.is() || !to.is()) return numbering;
  Reference<css::text::XTextRangeCompare> compare(layout.Body(), UNO_QUERY_THROW);
  auto anchor = [&](sal_Int32 i) {
    return Reference<css::text::XTextContent>(notes->getByIndex(i), UNO_QUERY_THROW)->getAnchor();
  };
  try {
    // The notes are in the order of the text: the first one not before `from`.
    sal_Int32 low = -1;
    sal_Int32 high = count;
    while (high - low > 1) {
      const sal_Int32 middle = low + (high - low) / 2;
      if (compare->compareRegionStarts(anchor(middle), from) > 0) {
        low = middle;
      } else {
        high = middle;
      }
    }
    if (high == count) return numbering;
    const auto first = anchor(high);
    if (compare->compareRegionStarts(first, to) <= 0) return numbering;
    numbering.first = LabelValue(ToUtf8(first->getString()));
    numbering.known = numbering.first > 0;
    settings->getPropertyValue("NumberingType") >>= numbering.numberingType;
  } catch (const css::lang::IllegalArgumentException&) {
    // A note outside the main text (in a frame): its place cannot be compared.
  }
  return numbering;
}

// The last row of a table that lies before `end` (which is in that table).
int32_t LastRowBefore(const Boundary& end) {
  return end.splitRow ? end.row : end.row - 1;
}

}  // namespace

namespace {

std::unique_ptr<TransferContent> CopyPieces(PageLayout& layout, const Boundary& start,
                                            const Boundary& end) {
  auto content = std::make_unique<TransferContent>();
  Copier copy(layout, *content);
  const bool endsInTable = end.kind == Boundary::Kind::Table;

  // From the start to the first place of the main text (through a table the start is in, and
  // any tables that follow it directly).
  Reference<XTextRange> text;
  if (start.kind == Boundary::Kind::Table) {
    if (endsInTable && end.tableName == start.tableName) {
      copy.Rows(start.table, start.tableName, start.row, LastRowBefore(end), &start, &end);
      return content;
    }
    copy.Rows(start.table, start.tableName, start.row, INT32_MAX, &start, nullptr);
    Neighbour next = layout.After(start.table, start.tableName);
    for (int n = 0; next.kind == Neighbour::Kind::Table && n < kMaxAdjacentTables; ++n) {
      if (endsInTable && end.tableName == next.tableName) {
        copy.Rows(next.table, next.tableName, 0, LastRowBefore(end), nullptr, &end);
        return content;
      }
      copy.WholeTable(next.table, next.tableName);
      next = layout.After(next.table, next.tableName);
    }
    if (next.kind != Neighbour::Kind::Body) return content;
    text = next.body;
  } else if (start.kind == Boundary::Kind::Body) {
    text = start.body;
  } else {
    return content;
  }

  if (!endsInTable) {
    copy.Text(text, end.body);
    return content;
  }
  // The table the end is in, and the tables right before it back to the main text.
  std::vector<Neighbour> before;
  Neighbour previous = layout.Before(end.table, end.tableName);
  while (previous.kind == Neighbour::Kind::Table &&
         before.size() < static_cast<size_t>(kMaxAdjacentTables)) {
    before.push_back(previous);
    previous = layout.Before(previous.table, previous.tableName);
  }
  if (previous.kind == Neighbour::Kind::Body) copy.Text(text, previous.body);
  for (auto it = before.rbegin(); it != before.rend(); ++it) {
    copy.WholeTable(it->table, it->tableName);
  }
  copy.Rows(end.table, end.tableName, 0, LastRowBefore(end), nullptr, &end);
  return content;
}

// Whether any piece has a field whose instruction holds one of `words` (upper case).
bool HasField(const TransferContent& content, std::initializer_list<const char*> words) {
  for (const auto& piece : content.pieces) {
    for (size_t at = piece.rtf.find("\\fldinst"); at != std::string::npos;
         at = piece.rtf.find("\\fldinst", at + 1)) {
      std::string instruction = piece.rtf.substr(at + 8, 80);
      for (char& c : instruction)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      for (const char* word : words) {
        if (instruction.find(word) != std::string::npos) return true;
      }
    }
  }
  return false;
}

void TakeFacts(const Reference<css::text::XTextDocument>& document, TransferContent& content) {
  if (HasField(content, {"FILENAME"})) {
    rtl::OUString path;
    const auto url = Reference<css::frame::XModel>(document, UNO_QUERY_THROW)->getURL();
    if (osl::FileBase::getSystemPathFromFileURL(url, path) == osl::FileBase::E_None) {
      content.facts.path = ToUtf8(path);
    }
  }
  if (!HasField(content, {"TITLE", "SUBJECT", "AUTHOR", "KEYWORDS", "COMMENTS", "LASTSAVEDBY",
                          "DOCPROPERTY", "DOCVARIABLE"})) {
    return;
  }
  auto properties = Reference<css::document::XDocumentPropertiesSupplier>(document, UNO_QUERY_THROW)
                        ->getDocumentProperties();
  DocumentFacts& facts = content.facts;
  facts.properties = true;
  facts.title = ToUtf8(properties->getTitle());
  facts.subject = ToUtf8(properties->getSubject());
  facts.author = ToUtf8(properties->getAuthor());
  facts.description = ToUtf8(properties->getDescription());
  facts.modifiedBy = ToUtf8(properties->getModifiedBy());
  rtl::OUString keywords;
  for (const auto& word : properties->getKeywords()) {
    keywords += (keywords.isEmpty() ? rtl::OUString() : rtl::OUString(", ")) + word;
  }
  facts.keywords = ToUtf8(keywords);
  Reference<css::beans::XPropertySet> custom(properties->getUserDefinedProperties(),
                                             UNO_QUERY_THROW);
  for (const auto& property : custom->getPropertySetInfo()->getProperties()) {
    rtl::OUString value;
    if (custom->getPropertyValue(property.Name) >>= value) {
      facts.custom.emplace_back(ToUtf8(property.Name), ToUtf8(value));
    }
  }
}

}  // namespace

std::unique_ptr<TransferContent> CopyBetween(PageLayout& layout, int32_t from, int32_t to) {
  if (from >= to) return std::make_unique<TransferContent>();
  const Boundary start = layout.At(from);
  const Boundary end = layout.At(to);
  auto content = CopyPieces(layout, start, end);
  if (content->pieces.empty()) return content;
  TakeFacts(layout.Document(), *content);
  for (const auto& piece : content->pieces) {
    for (const char* mark : {"\\pict", "\\shp", "\\object", "{\\*\\do", "\\flymain", "\\pvpara"}) {
      content->objects |= piece.rtf.find(mark) != std::string::npos;
    }
  }
  const auto first = layout.PlaceOf(start);
  const auto last = layout.PlaceOf(end);
  Reference<css::text::XFootnotesSupplier> footnotes(layout.Document(), UNO_QUERY);
  if (footnotes.is()) {
    content->footnotes =
        FirstNote(layout, footnotes->getFootnotes(), footnotes->getFootnoteSettings(), first, last);
  }
  Reference<css::text::XEndnotesSupplier> endnotes(layout.Document(), UNO_QUERY);
  if (endnotes.is()) {
    content->endnotes =
        FirstNote(layout, endnotes->getEndnotes(), endnotes->getEndnoteSettings(), first, last);
    content->endnotesElsewhere = content->endnotes.known && (from > 0 || to < layout.PageCount());
  }
  return content;
}

}  // namespace fv::office
