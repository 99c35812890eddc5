// What a copy of the office server holds: the copied text as pieces in document order, each
// as the office's own rich text, with what a page needs besides to show as in its document.
// It travels as bytes (Serialize), so that the transfer slot holds it without the office.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "automation/office/PageLayout.h"

namespace fv::office {

struct TransferPiece {
  std::string rtf;
  // A table piece: rows of one table. `head` and `tail` are the cuts still to make in its
  // first and last row, where a page boundary split the row.
  bool table = false;
  std::vector<CellSplit> head;
  std::vector<CellSplit> tail;
  // The piece holds text, so that pasting it must leave some behind.
  bool holdsText = false;
};

// How the first footnote (or endnote) of the copied text is numbered in its document, so that
// a page shows the numbers the document shows.
struct NoteNumbering {
  bool known = false;
  int32_t first = 1;          // the number of the first note copied
  int16_t numberingType = 4;  // the document's style of numbers (arabic)
};

// What fields of the copied text show of their document (its file name and properties),
// for the page to show the same; taken only when the copied text has such fields.
struct DocumentFacts {
  std::string path;  // the document's file, when the text has file name fields
  bool properties = false;
  std::string title, subject, author, keywords, description, modifiedBy;
  std::vector<std::pair<std::string, std::string>> custom;  // user-defined properties
};

struct TransferContent {
  std::vector<TransferPiece> pieces;
  bool objects = false;  // the pieces may hold pictures, shapes, frames or objects
  NoteNumbering footnotes;
  NoteNumbering endnotes;
  // The office lays endnotes out at the end of the document: a copy of less than the whole
  // text pastes their marks but not their text.
  bool endnotesElsewhere = false;
  DocumentFacts facts;
};

std::string Serialize(const TransferContent& content);
// Nothing for bytes that are not a serialized content.
std::optional<TransferContent> Deserialize(const std::string& bytes);

}  // namespace fv::office
