#include "automation/office/FrameCell.h"

namespace fv::office {
namespace {

// The position of the next tag `<name` (followed by a space, `>` or `/`) at or after `from`.
size_t FindTag(const std::string& html, const std::string& name, size_t from) {
  for (size_t at = html.find(name, from); at != std::string::npos; at = html.find(name, at + 1)) {
    const size_t after = at + name.size();
    if (after < html.size() && (html[after] == ' ' || html[after] == '>' || html[after] == '/')) {
      return at;
    }
  }
  return std::string::npos;
}

}  // namespace

std::string WithPlainFrameCell(std::string html) {
  const size_t body = FindTag(html, "<body", 0);
  if (body == std::string::npos) return html;
  const size_t table = FindTag(html, "<table", body);
  if (table == std::string::npos) return html;
  // The frame table's end: its own </table>, past the tables nested in it.
  size_t end = table + 1;
  for (int depth = 1; depth > 0;) {
    const size_t open = FindTag(html, "<table", end);
    const size_t close = html.find("</table>", end);
    if (close == std::string::npos) return html;
    if (open < close) {
      ++depth;
      end = open + 1;
    } else {
      --depth;
      end = close + 1;
    }
  }
  const size_t frameEnd = end - 1;
  const size_t td = FindTag(html, "<td", table);
  const size_t th = FindTag(html, "<th", table);
  if (th == std::string::npos || th > frameEnd || (td != std::string::npos && td < th)) {
    return html;
  }
  // Its one cell closes last before the table does.
  const size_t closeTh = html.rfind("</th>", frameEnd);
  const size_t closeTd = html.rfind("</td>", frameEnd);
  if (closeTh == std::string::npos || closeTh < th ||
      (closeTd != std::string::npos && closeTd > closeTh)) {
    return html;
  }
  html.replace(closeTh, 5, "</td>");
  html.replace(th, 3, "<td");
  return html;
}

}  // namespace fv::office
