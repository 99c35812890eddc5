#include "automation/office/PageDocument.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/document/XDocumentInsertable.hpp>
#include <com/sun/star/frame/XLoadable.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/io/SequenceInputStream.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/table/TableBorder2.hpp>
#include <com/sun/star/text/HoriOrientation.hpp>
#include <com/sun/star/text/XParagraphCursor.hpp>
#include <com/sun/star/text/XTextTablesSupplier.hpp>
#include <osl/file.hxx>

#include <filesystem>

#include "automation/HResult.h"
#include "automation/office/CellNames.h"
#include "automation/office/OfficeSession.h"

namespace fv::office {

using css::beans::PropertyValue;
using css::beans::XPropertySet;
using css::text::XText;
using css::text::XTextDocument;
using css::text::XTextTable;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

namespace {

uno::Sequence<PropertyValue> Properties(
    std::initializer_list<std::pair<const char*, uno::Any>> list) {
  uno::Sequence<PropertyValue> properties(static_cast<sal_Int32>(list.size()));
  sal_Int32 i = 0;
  for (const auto& [name, value] : list) {
    properties.getArray()[i].Name = rtl::OUString::createFromAscii(name);
    properties.getArray()[i].Value = value;
    ++i;
  }
  return properties;
}

sal_Int32 TableCount(const Reference<XTextDocument>& document) {
  return Reference<css::container::XIndexAccess>(
             Reference<css::text::XTextTablesSupplier>(document, UNO_QUERY_THROW)->getTextTables(),
             UNO_QUERY_THROW)
      ->getCount();
}

// The tables of a cell's own text (not those nested deeper), in order.
std::vector<Reference<XTextTable>> TablesIn(const Reference<XText>& cell) {
  std::vector<Reference<XTextTable>> tables;
  auto elements =
      Reference<css::container::XEnumerationAccess>(cell, UNO_QUERY_THROW)->createEnumeration();
  while (elements->hasMoreElements()) {
    Reference<css::lang::XServiceInfo> info(elements->nextElement(), UNO_QUERY);
    if (info.is() && info->supportsService("com.sun.star.text.TextTable")) {
      tables.emplace_back(info, UNO_QUERY_THROW);
    }
  }
  return tables;
}

// A cursor over the cell's text from its start to the cut (`toCut`), or from the cut to its
// end; then emptied.
void DeleteAroundCut(const Reference<XText>& cell, const CellSplit& cut, bool beforeCut) {
  auto cursor = cell->createTextCursor();
  Reference<css::text::XParagraphCursor> paragraphs(cursor, UNO_QUERY_THROW);
  cursor->gotoStart(false);
  for (int32_t i = 0; i < cut.paragraph; ++i) {
    if (!paragraphs->gotoNextParagraph(beforeCut)) break;
  }
  if (cut.offset < 0) {
    paragraphs->gotoEndOfParagraph(beforeCut);
  } else {
    for (int32_t left = cut.offset; left > 0; left -= 32767) {
      if (!cursor->goRight(static_cast<sal_Int16>(std::min(left, 32767)), beforeCut)) break;
    }
  }
  if (!beforeCut) cursor->gotoEnd(true);
  cursor->setString(rtl::OUString());
}

void ClearCell(const Reference<XText>& cell) {
  auto cursor = cell->createTextCursor();
  cursor->gotoStart(false);
  cursor->gotoEnd(true);
  cursor->setString(rtl::OUString());
}

// Makes the cuts of one row of a pasted table: `keepAfter` keeps what follows each cut (the
// row that a page starts in), else what precedes it.
void CutRow(const Reference<XTextTable>& table, int32_t row, const std::vector<CellSplit>& cuts,
            bool keepAfter) {
  for (const auto& cut : cuts) {
    const auto name = ParseCellName(cut.cell);
    if (!name) continue;
    Reference<XText> cell;
    try {
      cell.set(table->getCellByName(ToOUString(CellInRow(*name, row))), UNO_QUERY);
    } catch (const css::uno::RuntimeException&) {
      continue;
    }
    if (!cell.is()) continue;
    switch (cut.where) {
      case CellSplit::Where::Before:
        if (keepAfter) ClearCell(cell);
        break;
      case CellSplit::Where::After:
        if (!keepAfter) ClearCell(cell);
        break;
      case CellSplit::Where::At:
        DeleteAroundCut(cell, cut, keepAfter);
        break;
    }
  }
}

}  // namespace

Reference<XTextDocument> CreatePageDocument(const UnoConnection& office) {
  Reference<css::frame::XLoadable> document(office.Factory()->createInstanceWithContext(
                                                "com.sun.star.text.TextDocument", office.Context()),
                                            UNO_QUERY_THROW);
  document->initNew();
  return Reference<XTextDocument>(document, UNO_QUERY_THROW);
}

Reference<XTextTable> AddPageTable(const Reference<XTextDocument>& document, int32_t rows,
                                   int32_t columns) {
  Reference<XTextTable> table(Reference<css::lang::XMultiServiceFactory>(document, UNO_QUERY_THROW)
                                  ->createInstance("com.sun.star.text.TextTable"),
                              UNO_QUERY_THROW);
  table->initialize(rows, columns);
  auto text = document->getText();
  text->insertTextContent(text->getStart(),
                          Reference<css::text::XTextContent>(table, UNO_QUERY_THROW), false);
  return table;
}

bool SetTableBorder(const Reference<XTextTable>& table, int32_t index, int32_t lineStyle) {
  if (index < -6 || index > -1) return false;
  Reference<XPropertySet> properties(table, UNO_QUERY_THROW);
  css::table::TableBorder2 border;
  properties->getPropertyValue("TableBorder2") >>= border;
  css::table::BorderLine2 line;
  if (lineStyle != 0) {
    line.OuterLineWidth = 18;  // half a point, in 1/100 mm
    line.LineWidth = 18;
  }
  switch (index) {
    case -1:
      border.TopLine = line;
      border.IsTopLineValid = true;
      break;
    case -2:
      border.LeftLine = line;
      border.IsLeftLineValid = true;
      break;
    case -3:
      border.BottomLine = line;
      border.IsBottomLineValid = true;
      break;
    case -4:
      border.RightLine = line;
      border.IsRightLineValid = true;
      break;
    case -5:
      border.HorizontalLine = line;
      border.IsHorizontalLineValid = true;
      break;
    default:
      border.VerticalLine = line;
      border.IsVerticalLineValid = true;
      break;
  }
  properties->setPropertyValue("TableBorder2", uno::Any(border));
  return true;
}

bool SetTableAlignment(const Reference<XTextTable>& table, int32_t alignment) {
  sal_Int16 orientation;
  switch (alignment) {
    case 0:
      orientation = css::text::HoriOrientation::LEFT;
      break;
    case 1:
      orientation = css::text::HoriOrientation::CENTER;
      break;
    case 2:
      orientation = css::text::HoriOrientation::RIGHT;
      break;
    default:
      return false;
  }
  Reference<XPropertySet>(table, UNO_QUERY_THROW)
      ->setPropertyValue("HoriOrient", uno::Any(orientation));
  return true;
}

void PasteInto(const UnoConnection& office, const Reference<XTextDocument>& document,
               const Reference<XText>& cell, const TransferContent& content) {
  bool expectText = false;
  bool expectTable = false;
  bool cuts = false;
  for (const auto& piece : content.pieces) {
    expectTable |= piece.table;
    expectText |= piece.holdsText && !piece.table;
    cuts |= !piece.head.empty() || !piece.tail.empty();
  }
  const sal_Int32 tablesBefore = expectTable ? TableCount(document) : 0;
  for (const auto& piece : content.pieces) {
    uno::Sequence<sal_Int8> bytes(reinterpret_cast<const sal_Int8*>(piece.rtf.data()),
                                  static_cast<sal_Int32>(piece.rtf.size()));
    auto stream = css::io::SequenceInputStream::createStreamFromSequence(office.Context(), bytes);
    Reference<css::document::XDocumentInsertable> at(cell->createTextCursorByRange(cell->getEnd()),
                                                     UNO_QUERY_THROW);
    at->insertDocumentFromURL(
        "private:stream",
        Properties({{"InputStream", uno::Any(stream)},
                    {"FilterName", uno::Any(rtl::OUString("Rich Text Format"))}}));
  }
  // Nothing at all where something was copied: the paste was refused.
  const bool tablesLanded = !expectTable || TableCount(document) > tablesBefore;
  const bool textLanded = !expectText || !cell->getString().isEmpty();
  if (!tablesLanded || !textLanded) {
    throw CallFailure{automation::E_FAIL, "the office inserted nothing of the copied text"};
  }
  if (!cuts) return;
  // The first table piece is the first table of the cell, the last one its last table.
  const auto tables = TablesIn(cell);
  if (tables.empty()) return;
  const TransferPiece* first = nullptr;
  const TransferPiece* last = nullptr;
  for (const auto& piece : content.pieces) {
    if (!piece.table) continue;
    if (!first) first = &piece;
    last = &piece;
  }
  if (last && !last->tail.empty() && last == &content.pieces.back()) {
    const auto& table = tables.back();
    const sal_Int32 rows = table->getRows()->getCount();
    CutRow(table, rows, last->tail, false);
  }
  if (first && !first->head.empty() && first == &content.pieces.front()) {
    CutRow(tables.front(), 1, first->head, true);
  }
}

bool SaveDocument(const Reference<XTextDocument>& document, const std::string& path,
                  int32_t format) {
  const char* filter = nullptr;
  switch (format) {
    case 0:  // the word processor's own format
      filter = "MS Word 97";
      break;
    case 2:  // text
      filter = "Text";
      break;
    case 6:  // rich text
      filter = "Rich Text Format";
      break;
    case 8:   // HTML
    case 10:  // filtered HTML
      filter = "HTML (StarWriter)";
      break;
    case 12:  // the XML format
    case 16:  // the default format
      filter = "MS Word 2007 XML";
      break;
    case 17:
      filter = "writer_pdf_Export";
      break;
    default:
      return false;
  }
  std::error_code ec;
  const std::string absolute = std::filesystem::absolute(path, ec).string();
  rtl::OUString url;
  if (ec ||
      osl::FileBase::getFileURLFromSystemPath(ToOUString(absolute), url) != osl::FileBase::E_None) {
    throw CallFailure{automation::E_INVALIDARG, "not a file name: " + path};
  }
  Reference<css::frame::XStorable>(document, UNO_QUERY_THROW)
      ->storeToURL(url,
                   Properties({{"FilterName", uno::Any(rtl::OUString::createFromAscii(filter))},
                               {"Overwrite", uno::Any(true)}}));
  return true;
}

}  // namespace fv::office
