// The clipboard through which the word processor hands a page from the source document to
// the page document.
#pragma once

namespace fv::platform {

// Empties the clipboard. Returns false when it cannot be opened (another program holds it
// open) or emptied.
bool ClearClipboard();

}  // namespace fv::platform
