// The documents that the office server adds (Documents.Add): text documents of the office
// without a window, a view or a layout, which makes them cheap to make, fill, save and close
// while every page still gets a fresh, empty document of its own. Everything here talks to
// the office: callers run it inside OfficeSession::Call.
#pragma once

#include <com/sun/star/table/TableBorder2.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextTable.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <memory>
#include <string>

#include "automation/office/TransferContent.h"

namespace fv::office {

css::uno::Reference<css::text::XTextDocument> CreatePageDocument(
    const css::uno::Reference<css::uno::XComponentContext>& context);

// A table of a document and the formatting it is still to get: its borders and alignment are
// kept here and sent to the office in one call, before the table gets content or is saved.
struct TableState {
  css::uno::Reference<css::text::XTextTable> table;
  css::uno::Reference<css::text::XText> firstCell;  // asked for once
  css::table::TableBorder2 border;                  // only the lines marked valid are changed
  int32_t alignment = -1;                           // -1: unchanged
  bool pending = false;
};

// A table of `rows` x `columns` at the start of the document's text.
std::shared_ptr<TableState> AddPageTable(
    const css::uno::Reference<css::text::XTextDocument>& document, int32_t rows, int32_t columns);

// Sets one border of a table by the word processor's index (-1 top, -2 left, -3 bottom,
// -4 right, -5 inner horizontal, -6 inner vertical) to no line (style 0) or a single line.
// False for an index that names no border. Nothing goes to the office yet.
bool SetTableBorder(TableState& table, int32_t index, int32_t lineStyle);

// Aligns the table: 0 left, 1 centred, 2 right. False for any other value. Nothing goes to
// the office yet.
bool SetTableAlignment(TableState& table, int32_t alignment);

// Sends the formatting kept for the table to the office.
void ApplyTableFormatting(TableState& table);

// The first cell of a table.
const css::uno::Reference<css::text::XText>& FirstCell(TableState& table);

// Inserts the copied content at the end of `text` (a cell, or the main text) and makes the
// cuts its table pieces carry. Throws CallFailure when the office took nothing of content
// that holds something.
void PasteInto(const css::uno::Reference<css::uno::XComponentContext>& context,
               const css::uno::Reference<css::text::XTextDocument>& document,
               const css::uno::Reference<css::text::XText>& text, const TransferContent& content);

// Stores the document at `path` in the word processor's file format `format` (8 is HTML,
// written with its images beside it). A document without pictures or other objects is
// written by the office into memory and into the file from here, which spares the office's
// own careful writing of a file (a temporary file, a flush to disk, a rename) on every page.
// A `framed` document (one the frame table was added to) written as HTML keeps its frame's
// cell a plain cell. False for a format the office server does not write.
bool SaveDocument(const css::uno::Reference<css::uno::XComponentContext>& context,
                  const css::uno::Reference<css::text::XTextDocument>& document,
                  const std::string& path, int32_t format, bool mayHoldObjects, bool framed);

}  // namespace fv::office
