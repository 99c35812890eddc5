// Changes to the office's rich text between a copy and a paste: pure functions on the bytes.
#pragma once

#include <string>

namespace fv::office {

// Leaves out of the style sheet the styles that the text does not use (directly or as the
// base, next or linked style of one it uses). The office writes every style of a document
// into each copy, and some documents bring hundreds: read again on every page, they cost far
// more than the page's text. Text without a style sheet, or one it cannot read, comes back
// unchanged.
std::string WithUsedStylesOnly(const std::string& rtf);

// Rich text as the office can insert it into a document (rather than load it): inserting text
// that begins with a table holding bookmarks makes the office crash on the next look at the
// text, so such text (`table`) gets an empty paragraph before the table; and the bookmarks
// that belong to form fields are left out (the form fields themselves stay), as inserting
// them crashes it too.
std::string InsertableRtf(const std::string& rtf, bool table);

}  // namespace fv::office
