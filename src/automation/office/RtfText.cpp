#include "automation/office/RtfText.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <vector>

namespace fv::office {
namespace {

// A control word that starts at a backslash: its letters and its number, and where it ends.
// A control symbol (\{ \\ \' \*) has no letters.
struct ControlWord {
  std::string word;
  bool hasNumber = false;
  long number = 0;
  size_t end = 0;
};

ControlWord ReadControl(const std::string& rtf, size_t at) {
  ControlWord control;
  size_t i = at + 1;
  while (i < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[i]))) {
    control.word.push_back(rtf[i++]);
  }
  if (control.word.empty()) {
    control.end = std::min(at + 2, rtf.size());
    return control;
  }
  const bool negative = i < rtf.size() && rtf[i] == '-';
  if (negative) ++i;
  const size_t digits = i;
  long number = 0;
  while (i < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[i])) && i - digits < 9) {
    number = number * 10 + (rtf[i++] - '0');
  }
  control.hasNumber = i > digits;
  control.number = negative ? -number : number;
  control.end = i;
  return control;
}

// Where the group that opens at `open` closes, or npos.
size_t GroupEnd(const std::string& rtf, size_t open) {
  int depth = 0;
  for (size_t i = open; i < rtf.size(); ++i) {
    const char c = rtf[i];
    if (c == '\\') {
      ++i;  // an escaped brace or backslash belongs to no group
    } else if (c == '{') {
      ++depth;
    } else if (c == '}' && --depth == 0) {
      return i;
    }
  }
  return std::string::npos;
}

bool NamesAStyle(const std::string& word) {
  return word == "s" || word == "cs" || word == "ds" || word == "ts";
}

// Calls `found(control)` for every control word with a number between `from` and `to`.
template <class F>
void EachNumberedControl(const std::string& rtf, size_t from, size_t to, F found) {
  for (size_t i = from; i < to;) {
    if (rtf[i] != '\\') {
      ++i;
      continue;
    }
    const ControlWord control = ReadControl(rtf, i);
    if (control.hasNumber) found(control);
    i = std::max(control.end, i + 1);
  }
}

std::string WithoutFieldmarkBookmarks(const std::string& rtf) {
  static const std::string kMarks[] = {"{\\*\\bkmkstart __Fieldmark__",
                                       "{\\*\\bkmkend __Fieldmark__"};
  std::string out;
  out.reserve(rtf.size());
  size_t at = 0;
  for (;;) {
    size_t next = std::string::npos;
    for (const auto& mark : kMarks) next = std::min(next, rtf.find(mark, at));
    if (next == std::string::npos) break;
    const size_t close = rtf.find('}', next);
    if (close == std::string::npos) break;
    out.append(rtf, at, next - at);
    at = close + 1;
  }
  out.append(rtf, at, std::string::npos);
  return out;
}

}  // namespace

std::string WithUsedStylesOnly(const std::string& rtf) {
  const size_t sheet = rtf.find("{\\stylesheet");
  if (sheet == std::string::npos) return rtf;
  const size_t sheetEnd = GroupEnd(rtf, sheet);
  if (sheetEnd == std::string::npos) return rtf;

  // Each style: its group, its number, and the styles it is based on, followed by or linked to.
  struct Style {
    size_t begin = 0, end = 0;
    long number = -1;
    std::vector<long> names;
  };
  std::vector<Style> styles;
  for (size_t i = sheet + 1; i < sheetEnd;) {
    if (rtf[i] == '\\') {
      i = std::max(ReadControl(rtf, i).end, i + 1);
    } else if (rtf[i] == '{') {
      Style style;
      style.begin = i;
      style.end = GroupEnd(rtf, i);
      if (style.end == std::string::npos || style.end > sheetEnd) return rtf;
      EachNumberedControl(rtf, style.begin, style.end, [&](const ControlWord& c) {
        if (NamesAStyle(c.word) && style.number < 0) {
          style.number = c.number;
        } else if (c.word == "sbasedon" || c.word == "snext" || c.word == "slink") {
          style.names.push_back(c.number);
        }
      });
      styles.push_back(style);
      i = style.end + 1;
    } else if (std::isspace(static_cast<unsigned char>(rtf[i]))) {
      ++i;
    } else {
      return rtf;  // text among the styles: not a style sheet this can read
    }
  }

  // The styles the text uses, and those they name in turn.
  std::set<long> used = {0};
  auto collect = [&](const ControlWord& c) {
    if (NamesAStyle(c.word)) used.insert(c.number);
  };
  EachNumberedControl(rtf, 0, sheet, collect);
  EachNumberedControl(rtf, sheetEnd + 1, rtf.size(), collect);
  std::map<long, const Style*> byNumber;
  for (const auto& style : styles) {
    if (style.number >= 0) byNumber[style.number] = &style;
  }
  std::vector<long> todo(used.begin(), used.end());
  while (!todo.empty()) {
    const long number = todo.back();
    todo.pop_back();
    const auto found = byNumber.find(number);
    if (found == byNumber.end()) continue;
    for (long named : found->second->names) {
      if (used.insert(named).second) todo.push_back(named);
    }
  }

  std::string out;
  out.reserve(rtf.size());
  out.append(rtf, 0, sheet);
  out += "{\\stylesheet";
  for (const auto& style : styles) {
    if (style.number < 0 || used.count(style.number)) {
      out.append(rtf, style.begin, style.end - style.begin + 1);
    }
  }
  out += "}";
  out.append(rtf, sheetEnd + 1, std::string::npos);
  return out;
}

std::string InsertableRtf(const std::string& rtf, bool table) {
  std::string text = WithoutFieldmarkBookmarks(rtf);
  if (table) {
    const size_t row = text.find("\\trowd");
    if (row != std::string::npos) text.insert(row, "\\pard\\plain\\par\n");
  }
  return text;
}

}  // namespace fv::office
