// The frame table's cell in the HTML the office writes for a page document.
#pragma once

#include <string>

namespace fv::office {

// The office writes a table cell as a heading cell (<th>) when the first paragraph in it whose
// style is not a plain text style is a table heading, which happens to the frame's cell when
// the page starts with text and then a table with a heading row; a browser shows such a cell
// bold and centred. The frame's cell (the first cell of the body's first table) becomes a
// plain cell; everything else stays as the office wrote it.
std::string WithPlainFrameCell(std::string html);

}  // namespace fv::office
