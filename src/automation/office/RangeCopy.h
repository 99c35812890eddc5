// Copying the text between two page boundaries of a loaded document.
//
// Writer cannot select from inside a table cell to the main text, and a selection of text
// that starts or ends inside a table loses or repeats rows. So the text between the
// boundaries is copied in pieces, each one the office can copy whole: stretches of the main
// text (which may hold whole tables), and runs of rows of one table (a cell range), with the
// cuts inside a row that a page boundary split left to make after pasting.
#pragma once

#include <memory>

#include "automation/office/PageLayout.h"
#include "automation/office/TransferContent.h"

namespace fv::office {

// Copies from boundary `from` to boundary `to` (see PageLayout). Runs inside a call.
std::unique_ptr<TransferContent> CopyBetween(PageLayout& layout, int32_t from, int32_t to);

}  // namespace fv::office
