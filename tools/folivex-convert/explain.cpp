#include "explain.h"

namespace fvc {
namespace {

constexpr const char* kRegister =
    "register LibreOffice Writer as the word processor: run scripts/register-office.sh from "
    "the Folivex sources (after installing libreoffice-writer)";

}  // namespace

Explanation ExplainError(uint32_t code) {
  switch (code) {
    case 100:
      return {"no word processor is registered for Word documents, or it could not be started",
              std::string(kRegister) +
                  "; if it is registered, check that 'soffice --headless --version' runs"};
    case 101:
      return {"the word processor could not be connected, hidden or set up",
              "see the error before this one; check that the office starts "
              "('soffice --headless --version')"};
    case 102:
      return {"emptying the clipboard or quitting the word processor failed after the file",
              "the files are written; an office process may have been left running"};
    case 103:
      return {"the opened document could not be found or connected in the word processor",
              "nothing was converted; the document may be damaged or in use: try it again"};
    case 104:
      return {"the first page asked for lies beyond the document's last page",
              "ask for pages that exist (--pages)"};
    case 105:
      return {"a page could not be saved",
              "check that the output folder can be written and has room; the file was given up"};
    case 106:
      return {"a page's content could not be pasted: that page has no file",
              "the other pages are written; try the file again"};
    case 107:
      return {"the document's page count was unavailable",
              "the document may be damaged: open it in the word processor to check"};
    case 108:
      return {"a page document could not be closed",
              "the office may have failed; the file was given up: try it again"};
    case 109:
      return {"letting go of the word processor failed (after error 103 or 107)",
              "an office process may have been left running"};
    case 110:
      return {"no Office version (9.0 or 10.0) is registered for this user", kRegister};
    case 0xFFFFFFFFu:
      return {"the whole-document conversion failed", "see the error before this one"};
    default:
      return {"an error code the library does not document",
              "report it with the document that caused it"};
  }
}

std::string CodeText(uint32_t code) {
  return std::to_string(static_cast<int32_t>(code));
}

}  // namespace fvc
