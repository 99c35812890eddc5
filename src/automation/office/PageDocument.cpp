#include "automation/office/PageDocument.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/PropertyAttribute.hpp>
#include <com/sun/star/beans/XPropertyContainer.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/document/XDocumentInsertable.hpp>
#include <com/sun/star/document/XDocumentProperties.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/frame/XLoadable.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/io/SequenceInputStream.hpp>
#include <com/sun/star/io/SequenceOutputStream.hpp>
#include <com/sun/star/io/XSequenceOutputStream.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/table/TableBorder2.hpp>
#include <com/sun/star/text/FilenameDisplayFormat.hpp>
#include <com/sun/star/text/HoriOrientation.hpp>
#include <com/sun/star/text/XEndnotesSupplier.hpp>
#include <com/sun/star/text/XFootnotesSupplier.hpp>
#include <com/sun/star/text/XParagraphCursor.hpp>
#include <com/sun/star/text/XTextEmbeddedObjectsSupplier.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>
#include <com/sun/star/text/XTextTablesSupplier.hpp>
#include <osl/file.hxx>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "automation/HResult.h"
#include "automation/office/CellNames.h"
#include "automation/office/FrameCell.h"
#include "automation/office/RtfText.h"
#include "automation/office/CallFailure.h"
#include "automation/office/UnoConnection.h"

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

void CutRow(const Reference<XTextTable>& table, int32_t row, const std::vector<CellSplit>& cuts,
            bool keepAfter);

// Empties the cell's text from its start to the cut (`beforeCut`), or from the cut to its end.
void DeleteAroundCut(const Reference<XText>& cell, const CellSplit& cut, bool beforeCut) {
  if (cut.where == CellSplit::Where::InTable) {
    const auto tables = TablesIn(cell);
    if (cut.table < static_cast<int32_t>(tables.size())) {
      const auto& table = tables[cut.table];
      auto rows = table->getRows();
      const sal_Int32 count = rows->getCount();
      if (beforeCut) {
        if (cut.row > 0) rows->removeByIndex(0, std::min(cut.row, count));
        if (cut.splitRow) CutRow(table, 1, cut.cells, true);
      } else {
        const sal_Int32 first = cut.splitRow ? cut.row + 1 : cut.row;
        if (first < count) rows->removeByIndex(first, count - first);
        if (cut.splitRow) CutRow(table, cut.row + 1, cut.cells, false);
      }
    }
    // The paragraphs before the table, or those after it.
    CellSplit paragraphs = cut;
    paragraphs.where = CellSplit::Where::At;
    if (beforeCut) {
      if (cut.paragraph == 0) return;
      paragraphs.paragraph = cut.paragraph - 1;
      paragraphs.offset = -1;
    } else {
      paragraphs.offset = 0;
    }
    DeleteAroundCut(cell, paragraphs, beforeCut);
    return;
  }
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

// Makes the cuts of one row (from 1) of a pasted table: `keepAfter` keeps what follows each cut
// (the row that a page starts in), else what precedes it.
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
      case CellSplit::Where::InTable:
        DeleteAroundCut(cell, cut, keepAfter);
        break;
    }
  }
}

// A paragraph whose style hides its text but whose text is formatted visible shows in the
// office's layout; pasted, it lost what kept it visible, and the office's HTML would write
// it hidden. Such paragraphs (in tables too) are made visible again, their hidden parts
// staying hidden.
void ShowVisibleParagraphs(const Reference<XText>& text, int depth = 0) {
  if (depth > 16) return;
  auto elements =
      Reference<css::container::XEnumerationAccess>(text, UNO_QUERY_THROW)->createEnumeration();
  while (elements->hasMoreElements()) {
    Reference<css::lang::XServiceInfo> element(elements->nextElement(), UNO_QUERY);
    if (!element.is()) continue;
    if (element->supportsService("com.sun.star.text.TextTable")) {
      Reference<XTextTable> table(element, UNO_QUERY_THROW);
      for (const auto& name : table->getCellNames()) {
        ShowVisibleParagraphs(Reference<XText>(table->getCellByName(name), UNO_QUERY_THROW),
                              depth + 1);
      }
      continue;
    }
    Reference<XPropertySet> paragraph(element, UNO_QUERY);
    bool hidden = false;
    if (!paragraph.is() || !(paragraph->getPropertyValue("CharHidden") >>= hidden) || !hidden) {
      continue;
    }
    bool visibleText = false;
    std::vector<Reference<XPropertySet>> hiddenParts;
    auto portions = Reference<css::container::XEnumerationAccess>(paragraph, UNO_QUERY_THROW)
                        ->createEnumeration();
    while (portions->hasMoreElements()) {
      Reference<XPropertySet> portion(portions->nextElement(), UNO_QUERY);
      bool portionHidden = true;
      if (!portion.is()) continue;
      portion->getPropertyValue("CharHidden") >>= portionHidden;
      if (portionHidden) {
        hiddenParts.push_back(portion);
      } else if (!Reference<css::text::XTextRange>(portion, UNO_QUERY_THROW)
                      ->getString()
                      .isEmpty()) {
        visibleText = true;
      }
    }
    if (!visibleText) continue;
    paragraph->setPropertyValue("CharHidden", uno::Any(false));
    for (const auto& part : hiddenParts) part->setPropertyValue("CharHidden", uno::Any(true));
  }
}

// The notes of the page are numbered as in their document.
void SetNoteNumbering(const Reference<XTextDocument>& document, const TransferContent& content) {
  auto apply = [](const Reference<XPropertySet>& settings, const NoteNumbering& numbering) {
    if (!numbering.known || !settings.is()) return;
    settings->setPropertyValue("NumberingType", uno::Any(numbering.numberingType));
    settings->setPropertyValue(
        "StartAt", uno::Any(static_cast<sal_Int16>(std::clamp(numbering.first - 1, 0, 32767))));
  };
  if (content.footnotes.known) {
    Reference<css::text::XFootnotesSupplier> footnotes(document, UNO_QUERY);
    if (footnotes.is()) apply(footnotes->getFootnoteSettings(), content.footnotes);
  }
  if (content.endnotes.known) {
    Reference<css::text::XEndnotesSupplier> endnotes(document, UNO_QUERY);
    if (endnotes.is()) apply(endnotes->getEndnoteSettings(), content.endnotes);
  }
}

// The endnotes of a page that is not the document's last: their text is on the last pages,
// their marks stay here, numbered as in the document. An endnote kept without its text would
// still be written with its number at the page's end, so each becomes its mark, as raised
// text; a note whose mark cannot be read keeps its place, emptied.
void KeepEndnoteMarksOnly(const Reference<XTextDocument>& document) {
  Reference<css::container::XIndexAccess> endnotes(
      Reference<css::text::XEndnotesSupplier>(document, UNO_QUERY_THROW)->getEndnotes(),
      UNO_QUERY_THROW);
  // The marks are read before any note goes: the notes after it would be numbered anew.
  std::vector<std::pair<Reference<css::text::XTextContent>, rtl::OUString>> notes;
  for (sal_Int32 i = 0; i < endnotes->getCount(); ++i) {
    Reference<css::text::XTextContent> note(endnotes->getByIndex(i), UNO_QUERY_THROW);
    notes.emplace_back(note, note->getAnchor()->getString());
  }
  for (const auto& [note, mark] : notes) {
    const auto anchor = note->getAnchor();
    if (mark.trim().isEmpty() || mark.getLength() > 16) {
      Reference<XText>(note, UNO_QUERY_THROW)->setString(rtl::OUString());
      continue;
    }
    const auto text = anchor->getText();
    auto cursor = text->createTextCursorByRange(anchor->getEnd());
    text->insertString(Reference<css::text::XTextRange>(cursor, UNO_QUERY_THROW), mark, false);
    cursor->goLeft(static_cast<sal_Int16>(mark.getLength()), true);
    Reference<XPropertySet> raised(cursor, UNO_QUERY_THROW);
    raised->setPropertyValue("CharEscapement", uno::Any(sal_Int16(33)));
    raised->setPropertyValue("CharEscapementHeight", uno::Any(sal_Int8(58)));
    text->removeTextContent(note);
  }
}

// The fields of the page show what they showed in the source document: its file name, its
// properties.
void ShowSourceFacts(const Reference<XTextDocument>& document, const DocumentFacts& facts) {
  if (facts.properties) {
    auto properties =
        Reference<css::document::XDocumentPropertiesSupplier>(document, UNO_QUERY_THROW)
            ->getDocumentProperties();
    properties->setTitle(ToOUString(facts.title));
    properties->setSubject(ToOUString(facts.subject));
    properties->setAuthor(ToOUString(facts.author));
    properties->setDescription(ToOUString(facts.description));
    properties->setModifiedBy(ToOUString(facts.modifiedBy));
    if (!facts.keywords.empty()) {
      uno::Sequence<rtl::OUString> keywords(1);
      keywords.getArray()[0] = ToOUString(facts.keywords);
      properties->setKeywords(keywords);
    }
    Reference<css::beans::XPropertyContainer> custom = properties->getUserDefinedProperties();
    for (const auto& [name, value] : facts.custom) {
      try {
        custom->addProperty(ToOUString(name), css::beans::PropertyAttribute::REMOVABLE,
                            uno::Any(ToOUString(value)));
      } catch (const css::uno::Exception&) {
        // A property of that name exists already.
      }
    }
  }
  if (facts.path.empty()) return;
  auto fields = Reference<css::text::XTextFieldsSupplier>(document, UNO_QUERY_THROW)
                    ->getTextFields()
                    ->createEnumeration();
  const std::filesystem::path path(facts.path);
  while (fields->hasMoreElements()) {
    Reference<XPropertySet> field(fields->nextElement(), UNO_QUERY);
    Reference<css::lang::XServiceInfo> info(field, UNO_QUERY);
    if (!info.is() || !info->supportsService("com.sun.star.text.TextField.FileName")) continue;
    sal_Int16 format = css::text::FilenameDisplayFormat::FULL;
    field->getPropertyValue("FileFormat") >>= format;
    std::string shown;
    switch (format) {
      case css::text::FilenameDisplayFormat::PATH:
        shown = path.parent_path().string();
        break;
      case css::text::FilenameDisplayFormat::NAME:
        shown = path.stem().string();
        break;
      case css::text::FilenameDisplayFormat::NAME_AND_EXT:
        shown = path.filename().string();
        break;
      default:
        shown = path.string();
        break;
    }
    field->setPropertyValue("IsFixed", uno::Any(true));
    field->setPropertyValue("CurrentPresentation", uno::Any(ToOUString(shown)));
  }
}

// Whether the document has anything besides text: fields, pictures, objects, shapes.
bool HasObjects(const Reference<XTextDocument>& document) {
  Reference<css::text::XTextFieldsSupplier> fields(document, UNO_QUERY);
  if (fields.is() && fields->getTextFields()->createEnumeration()->hasMoreElements()) return true;
  Reference<css::text::XTextGraphicObjectsSupplier> graphics(document, UNO_QUERY);
  if (graphics.is() && graphics->getGraphicObjects()->hasElements()) return true;
  Reference<css::text::XTextEmbeddedObjectsSupplier> objects(document, UNO_QUERY);
  if (objects.is() && objects->getEmbeddedObjects()->hasElements()) return true;
  Reference<css::drawing::XDrawPageSupplier> shapes(document, UNO_QUERY);
  // Still the way to a text document's shapes, though marked as old.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  return shapes.is() && shapes->getDrawPage()->hasElements();
#pragma GCC diagnostic pop
}

}  // namespace

Reference<XTextDocument> CreatePageDocument(const Reference<uno::XComponentContext>& context) {
  Reference<css::frame::XLoadable> document(context->getServiceManager()->createInstanceWithContext(
                                                "com.sun.star.text.TextDocument", context),
                                            UNO_QUERY_THROW);
  document->initNew();
  return Reference<XTextDocument>(document, UNO_QUERY_THROW);
}

std::shared_ptr<TableState> AddPageTable(const Reference<XTextDocument>& document, int32_t rows,
                                         int32_t columns) {
  auto state = std::make_shared<TableState>();
  state->table.set(Reference<css::lang::XMultiServiceFactory>(document, UNO_QUERY_THROW)
                       ->createInstance("com.sun.star.text.TextTable"),
                   UNO_QUERY_THROW);
  state->table->initialize(rows, columns);
  auto text = document->getText();
  text->insertTextContent(text->getStart(),
                          Reference<css::text::XTextContent>(state->table, UNO_QUERY_THROW), false);
  // The full width of the text, as a new table has it; without a layout its width would stay
  // the office's placeholder, which is written out as thousands of pixels.
  Reference<XPropertySet> page(
      Reference<css::container::XNameAccess>(
          Reference<css::style::XStyleFamiliesSupplier>(document, UNO_QUERY_THROW)
              ->getStyleFamilies()
              ->getByName("PageStyles"),
          UNO_QUERY_THROW)
          ->getByName("Standard"),
      UNO_QUERY_THROW);
  const auto width = page->getPropertyValue("Width").get<sal_Int32>() -
                     page->getPropertyValue("LeftMargin").get<sal_Int32>() -
                     page->getPropertyValue("RightMargin").get<sal_Int32>();
  Reference<XPropertySet> properties(state->table, UNO_QUERY_THROW);
  properties->setPropertyValue("Width", uno::Any(width));
  return state;
}

bool SetTableBorder(TableState& table, int32_t index, int32_t lineStyle) {
  if (index < -6 || index > -1) return false;
  css::table::BorderLine2 line;
  if (lineStyle != 0) {
    line.OuterLineWidth = 18;  // half a point, in 1/100 mm
    line.LineWidth = 18;
  }
  css::table::TableBorder2& border = table.border;
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
  table.pending = true;
  return true;
}

bool SetTableAlignment(TableState& table, int32_t alignment) {
  if (alignment < 0 || alignment > 2) return false;
  table.alignment = alignment;
  table.pending = true;
  return true;
}

namespace {

// The table's borders set on its cells. The table's own border property takes effect only in a
// document that is laid out, which the page documents are not.
void SetCellBorders(const Reference<css::text::XTextTable>& table,
                    const css::table::TableBorder2& b) {
  struct Cell {
    rtl::OUString name;
    CellName at;
  };
  std::vector<Cell> cells;
  int32_t lastRow = 0;
  std::map<int32_t, int32_t> lastColumn;  // by row
  for (const auto& name : table->getCellNames()) {
    auto at = ParseCellName(ToUtf8(name));
    if (!at || !at->rest.empty()) continue;  // the parts of split cells keep their borders
    lastRow = std::max(lastRow, at->row);
    auto& last = lastColumn[at->row];
    last = std::max(last, ColumnNumber(at->column));
    cells.push_back({name, *at});
  }
  for (const auto& cell : cells) {
    Reference<XPropertySet> properties(table->getCellByName(cell.name), UNO_QUERY_THROW);
    const bool top = cell.at.row == 1;
    const bool bottom = cell.at.row == lastRow;
    const bool left = cell.at.column == "A";
    const bool right = ColumnNumber(cell.at.column) == lastColumn[cell.at.row];
    const auto set = [&](const char* edge, bool valid, const css::table::BorderLine2& line) {
      if (valid) properties->setPropertyValue(rtl::OUString::createFromAscii(edge), uno::Any(line));
    };
    set("TopBorder", top ? b.IsTopLineValid : b.IsHorizontalLineValid,
        top ? b.TopLine : b.HorizontalLine);
    set("BottomBorder", bottom ? b.IsBottomLineValid : b.IsHorizontalLineValid,
        bottom ? b.BottomLine : b.HorizontalLine);
    set("LeftBorder", left ? b.IsLeftLineValid : b.IsVerticalLineValid,
        left ? b.LeftLine : b.VerticalLine);
    set("RightBorder", right ? b.IsRightLineValid : b.IsVerticalLineValid,
        right ? b.RightLine : b.VerticalLine);
  }
}

}  // namespace

void ApplyTableFormatting(TableState& table) {
  if (!table.pending || !table.table.is()) return;
  Reference<XPropertySet> properties(table.table, UNO_QUERY_THROW);
  const auto& b = table.border;
  if (b.IsTopLineValid || b.IsLeftLineValid || b.IsBottomLineValid || b.IsRightLineValid ||
      b.IsHorizontalLineValid || b.IsVerticalLineValid) {
    SetCellBorders(table.table, b);
  }
  if (table.alignment >= 0) {
    static const sal_Int16 kOrientation[] = {css::text::HoriOrientation::LEFT,
                                             css::text::HoriOrientation::CENTER,
                                             css::text::HoriOrientation::RIGHT};
    properties->setPropertyValue("HoriOrient", uno::Any(kOrientation[table.alignment]));
  }
  table.pending = false;
}

const Reference<XText>& FirstCell(TableState& table) {
  if (!table.firstCell.is()) {
    const auto names = table.table->getCellNames();
    if (names.getLength() > 0) table.firstCell.set(table.table->getCellByName(names[0]), UNO_QUERY);
  }
  return table.firstCell;
}

void PasteInto(const Reference<uno::XComponentContext>& context,
               const Reference<XTextDocument>& document, const Reference<XText>& cell,
               const TransferContent& content) {
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
    const std::string rtf = InsertableRtf(piece.rtf, piece.table);
    uno::Sequence<sal_Int8> bytes(reinterpret_cast<const sal_Int8*>(rtf.data()),
                                  static_cast<sal_Int32>(rtf.size()));
    auto stream = css::io::SequenceInputStream::createStreamFromSequence(context, bytes);
    Reference<css::document::XDocumentInsertable> at(cell->createTextCursorByRange(cell->getEnd()),
                                                     UNO_QUERY_THROW);
    at->insertDocumentFromURL(
        "private:stream",
        Properties({{"InputStream", uno::Any(stream)},
                    {"FilterName", uno::Any(rtl::OUString("Rich Text Format"))}}));
  }
  // Nothing at all where something was copied: the paste was refused.
  ShowSourceFacts(document, content.facts);
  const bool tablesLanded = !expectTable || TableCount(document) > tablesBefore;
  const bool textLanded = !expectText || !cell->getString().isEmpty() || HasObjects(document);
  if (!tablesLanded || !textLanded) {
    throw CallFailure{automation::E_FAIL, "the office inserted nothing of the copied text"};
  }
  SetNoteNumbering(document, content);
  ShowVisibleParagraphs(cell);
  if (content.endnotesElsewhere) KeepEndnoteMarksOnly(document);
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

bool SaveDocument(const Reference<uno::XComponentContext>& context,
                  const Reference<XTextDocument>& document, const std::string& path, int32_t format,
                  bool mayHoldObjects, bool framed) {
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
  const auto filterName = uno::Any(rtl::OUString::createFromAscii(filter));
  const bool plainFrameCell = framed && (format == 8 || format == 10);
  Reference<css::frame::XStorable> storable(document, UNO_QUERY_THROW);
  std::string written;
  if (mayHoldObjects || format == 17) {
    storable->storeToURL(url,
                         Properties({{"FilterName", filterName}, {"Overwrite", uno::Any(true)}}));
    if (!plainFrameCell) return true;
    std::ifstream in(absolute, std::ios::binary);
    written.assign(std::istreambuf_iterator<char>(in), {});
    if (!in && !in.eof()) throw CallFailure{automation::E_ACCESSDENIED, "cannot read " + path};
  } else {
    auto out = css::io::SequenceOutputStream::create(context);
    storable->storeToURL("private:stream", Properties({{"FilterName", filterName},
                                                       {"OutputStream", uno::Any(out)},
                                                       {"DocumentBaseURL", uno::Any(url)}}));
    const auto bytes = out->getWrittenBytes();
    written.assign(reinterpret_cast<const char*>(bytes.getConstArray()), bytes.getLength());
  }
  if (plainFrameCell) written = WithPlainFrameCell(std::move(written));
  std::ofstream file(absolute, std::ios::binary | std::ios::trunc);
  file.write(written.data(), static_cast<std::streamsize>(written.size()));
  file.close();
  if (!file) throw CallFailure{automation::E_ACCESSDENIED, "cannot write " + path};
  return true;
}

}  // namespace fv::office
