// The documents that the office server adds (Documents.Add): text documents of the office
// without a window, a view or a layout, which makes them cheap to make, fill, save and close
// while every page still gets a fresh, empty document of its own. Everything here talks to
// the office: callers run it inside OfficeSession::Call.
#pragma once

#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextTable.hpp>

#include <string>

#include "automation/office/TransferSlot.h"
#include "automation/office/UnoConnection.h"

namespace fv::office {

css::uno::Reference<css::text::XTextDocument> CreatePageDocument(const UnoConnection& office);

// A table of `rows` x `columns` at the start of the document's text.
css::uno::Reference<css::text::XTextTable> AddPageTable(
    const css::uno::Reference<css::text::XTextDocument>& document, int32_t rows, int32_t columns);

// Sets one border of a table by the word processor's index (-1 top, -2 left, -3 bottom,
// -4 right, -5 inner horizontal, -6 inner vertical) to no line (style 0) or a single line.
// False for an index that names no border.
bool SetTableBorder(const css::uno::Reference<css::text::XTextTable>& table, int32_t index,
                    int32_t lineStyle);

// Aligns the table: 0 left, 1 centred, 2 right. False for any other value.
bool SetTableAlignment(const css::uno::Reference<css::text::XTextTable>& table, int32_t alignment);

// Inserts the copied content at the end of `cell` and makes the cuts its table pieces carry.
// Throws CallFailure when the office took nothing of content that holds something.
void PasteInto(const UnoConnection& office,
               const css::uno::Reference<css::text::XTextDocument>& document,
               const css::uno::Reference<css::text::XText>& cell, const TransferContent& content);

// Stores the document at `path` in the word processor's file format `format` (8 is HTML,
// written with its images beside it). False for a format the office server does not write.
bool SaveDocument(const css::uno::Reference<css::text::XTextDocument>& document,
                  const std::string& path, int32_t format);

}  // namespace fv::office
