#include "platform/posix/registry_store.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace fv::platform::store {
namespace {

constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";
constexpr std::string_view kVersion4Header = "REGEDIT4";
constexpr std::string_view kReadOnlyDirective = ";@access=read";
constexpr const char* kOtherRoots[] = {"HKEY_LOCAL_MACHINE", "HKEY_USERS", "HKEY_CURRENT_CONFIG",
                                       "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER"};

char FoldChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldChar(a[i]) != FoldChar(b[i])) return false;
  }
  return true;
}

bool StartsWithFolded(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsFolded(text.substr(0, prefix.size()), prefix);
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

uint32_t HexValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<uint32_t>(c - 'a' + 10);
  return static_cast<uint32_t>(c - 'A' + 10);
}

std::string_view TrimLeft(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  return s.substr(i);
}

std::string_view TrimRight(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && IsBlank(s[n - 1])) --n;
  return s.substr(0, n);
}

// The length of the well-formed UTF-8 sequence at s[i] (no overlong forms, surrogates or
// code points beyond U+10FFFF), or 0 when there is none.
size_t Utf8SequenceLength(std::string_view s, size_t i) {
  const auto b0 = static_cast<uint8_t>(s[i]);
  if (b0 < 0x80) return 1;
  size_t len = 0;
  uint8_t lo = 0x80, hi = 0xBF;  // the allowed range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (s.size() - i < len) return 0;
  const auto b1 = static_cast<uint8_t>(s[i + 1]);
  if (b1 < lo || b1 > hi) return 0;
  for (size_t k = 2; k < len; ++k) {
    if ((static_cast<uint8_t>(s[i + k]) & 0xC0) != 0x80) return 0;
  }
  return len;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// UTF-16LE to UTF-8. On a fault returns what is wrong, with `out` holding the text decoded
// before it (so that the caller can say on which line).
const char* DecodeUtf16Le(std::string_view in, std::string& out) {
  auto unit = [&](size_t k) {
    return static_cast<uint32_t>(static_cast<uint8_t>(in[2 * k])) |
           static_cast<uint32_t>(static_cast<uint8_t>(in[2 * k + 1])) << 8;
  };
  const size_t units = in.size() / 2;
  for (size_t k = 0; k < units; ++k) {
    uint32_t cp = unit(k);
    if (cp >= 0xDC00 && cp <= 0xDFFF) return "a low surrogate without a high one";
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (k + 1 >= units) return "a high surrogate at the end";
      const uint32_t low = unit(k + 1);
      if (low < 0xDC00 || low > 0xDFFF) return "a high surrogate without a low one";
      cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
      ++k;
    }
    AppendUtf8(out, cp);
  }
  return in.size() % 2 != 0 ? "an odd number of bytes" : nullptr;
}

// A piece of the file's text fit for a message: short, and cut between characters.
std::string Quote(std::string_view text) {
  constexpr size_t kShown = 60;
  if (text.size() <= kShown) return "'" + std::string(text) + "'";
  size_t cut = kShown;
  while (cut > 0 && (static_cast<uint8_t>(text[cut]) & 0xC0) == 0x80) --cut;
  return "'" + std::string(text.substr(0, cut)) + "...'";
}

bool IsStringType(uint32_t type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == 7;  // 7: REG_MULTI_SZ
}

struct Rejection {
  size_t line;
  std::string message;
};

class Parser {
 public:
  Parser(std::string_view text, RegistryRoot root) : text_(text), root_(root) {}

  RegistryStore Parse() {
    auto first = NextLine();
    if (!first) return std::move(store_);
    const std::string_view header = TrimRight(*first);
    if (header == kVersion5Header) {
      version_ = 5;
    } else if (header == kVersion4Header) {
      version_ = 4;
    } else {
      Fail("the first line must be \"" + std::string(kVersion5Header) + "\" or \"" +
           std::string(kVersion4Header) + "\"");
    }
    while (auto line = NextLine()) ProcessLine(*line);
    return std::move(store_);
  }

 private:
  enum class Section { None, Key, Deleted };

  [[noreturn]] void Fail(const std::string& message) const { throw Rejection{line_, message}; }

  // The next physical line without its line end, checked for what no line may hold; nothing
  // at the end of the text.
  std::optional<std::string_view> NextLine() {
    if (pos_ >= text_.size()) return std::nullopt;
    size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    std::string_view line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    ++line_;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kMaxLineBytes) {
      Fail("line longer than " + std::to_string(kMaxLineBytes) + " bytes");
    }
    for (size_t i = 0; i < line.size();) {
      const auto c = static_cast<uint8_t>(line[i]);
      if (c == 0) Fail("NUL character in the text");
      if (c < 0x20 && c != '\t') Fail("control character " + std::to_string(c) + " in the text");
      const size_t len = Utf8SequenceLength(line, i);
      if (len == 0) Fail("invalid UTF-8 at byte " + std::to_string(i + 1) + " of the line");
      i += len;
    }
    return line;
  }

  void ProcessLine(std::string_view line) {
    const std::string_view s = TrimLeft(line);
    if (s.empty()) return;
    if (s[0] == ';') {
      if (s.size() > 1 && s[1] == '@') Directive(TrimRight(s));
      return;
    }
    if (s[0] == '[') return Header(TrimRight(s));
    if (s[0] == '@' || s[0] == '"') return Value(s);
    Fail("expected a [key] header, a value or a ';' comment, found " + Quote(s));
  }

  void Header(std::string_view s) {
    if (s.size() < 2 || s.back() != ']') {
      if (s.find(']') != std::string_view::npos) Fail("text after the closing ']' of the key");
      Fail("key header without its closing ']'");
    }
    std::string_view inner = s.substr(1, s.size() - 2);
    const bool deletion = !inner.empty() && inner[0] == '-';
    if (deletion) inner.remove_prefix(1);
    const size_t cut = inner.find('\\');
    const std::string_view rootName = inner.substr(0, cut);
    if (!EqualsFolded(rootName, RootName(root_))) {
      for (const char* other : kOtherRoots) {
        if (EqualsFolded(rootName, other)) {
          Fail("key of " + std::string(other) + " in the store of " + RootName(root_));
        }
      }
      Fail("unknown root " + Quote(rootName) + " (expected " + RootName(root_) + ")");
    }
    const std::string_view path =
        cut == std::string_view::npos ? std::string_view() : inner.substr(cut + 1);
    if (cut != std::string_view::npos && path.empty()) Fail("empty key name after the root");
    if (const char* problem = KeyPathProblem(path)) Fail(problem + (" in " + Quote(s)));
    current_ = *FoldKeyPath(path);
    if (deletion) {
      if (current_.empty()) Fail("the root cannot be deleted");
      store_.DeleteKey(current_);
      section_ = Section::Deleted;
      return;
    }
    if (!store_.FindKey(current_) && store_.Keys().size() >= kMaxKeys) {
      Fail("more than " + std::to_string(kMaxKeys) + " keys");
    }
    store_.CreateKey(current_);
    section_ = Section::Key;
    sectionHasValues_ = false;
  }

  void Directive(std::string_view s) {
    if (s != kReadOnlyDirective) {
      Fail("unknown directive " + Quote(s) + " (the one directive is " +
           std::string(kReadOnlyDirective) + ")");
    }
    if (section_ != Section::Key) Fail("the directive " + Quote(s) + " belongs under a [key]");
    if (sectionHasValues_) Fail("the directive " + Quote(s) + " must come before the values");
    store_.CreateKey(current_).readOnly = true;
  }

  void Value(std::string_view s) {
    if (section_ == Section::None) Fail("value before any [key] header");
    if (section_ == Section::Deleted) Fail("value under a deleted key");
    std::string name;
    size_t i = s[0] == '@' ? 1 : ParseQuoted(s, 0, name);
    if (name.size() > kMaxValueNameBytes) Fail("value name too long");
    while (i < s.size() && IsBlank(s[i])) ++i;
    if (i >= s.size() || s[i] != '=') Fail("expected '=' after the value name");
    const std::string_view data = TrimLeft(s.substr(i + 1));
    sectionHasValues_ = true;
    const std::string folded = FoldName(name);
    if (!data.empty() && data[0] == '-') {
      ExpectEnd(data.substr(1));
      store_.CreateKey(current_).values.erase(folded);
      return;
    }
    RegistryValue value = ParseData(data);
    store_.CreateKey(current_).values[folded] = std::move(value);
  }

  RegistryValue ParseData(std::string_view data) {
    RegistryValue value;
    if (data.empty()) Fail("missing data after '='");
    if (!data.empty() && data[0] == '"') {
      std::string text;
      ExpectEnd(data.substr(ParseQuoted(data, 0, text)));
      value.type = REG_SZ;
      value.data.assign(text.begin(), text.end());
      value.data.push_back(0);
      return value;
    }
    if (StartsWithFolded(data, "dword:")) {
      size_t i = 6, digits = 0;
      uint32_t number = 0;
      while (i < data.size() && IsHexDigit(data[i])) {
        if (++digits > 8) Fail("dword: takes at most 8 hex digits");
        number = number << 4 | HexValue(data[i++]);
      }
      if (digits == 0) Fail("dword: needs 1 to 8 hex digits");
      ExpectEnd(data.substr(i));
      value.type = REG_DWORD;
      for (int b = 0; b < 4; ++b) value.data.push_back(static_cast<uint8_t>(number >> (8 * b)));
      return value;
    }
    if (!StartsWithFolded(data, "hex")) {
      Fail("unknown value type in " + Quote(data) +
           " (expected \"text\", dword:, hex: or hex(type):)");
    }
    size_t i = 3;
    value.type = REG_BINARY;
    if (i < data.size() && data[i] == '(') {
      size_t digits = 0;
      value.type = 0;
      while (++i < data.size() && IsHexDigit(data[i])) {
        if (++digits > 8) Fail("hex(type): takes a type of at most 8 hex digits");
        value.type = value.type << 4 | HexValue(data[i]);
      }
      if (digits == 0 || i >= data.size() || data[i] != ')') {
        Fail("malformed hex(type): in " + Quote(data));
      }
      ++i;
    }
    if (i >= data.size() || data[i] != ':') Fail("unknown value type in " + Quote(data));
    const size_t valueLine = line_;
    ParseHexBytes(data.substr(i + 1), value.data);
    if (IsStringType(value.type)) ToNarrowText(value.data, valueLine);
    return value;
  }

  // Comma-separated bytes of two hex digits each; a line ending in '\' (after a comma)
  // goes on on the next line.
  void ParseHexBytes(std::string_view line, std::vector<uint8_t>& out) {
    enum { Start, AfterByte, AfterComma } state = Start;
    size_t i = 0;
    for (;;) {
      while (i < line.size() && IsBlank(line[i])) ++i;
      if (i == line.size() || line[i] == ';') {
        if (state == AfterComma) Fail("hex data ends with ','");
        return;
      }
      if (line[i] == '\\') {
        if (state == AfterByte) Fail("expected ',' before the line continuation");
        if (!TrimLeft(line.substr(i + 1)).empty()) Fail("text after the line continuation");
        auto next = NextLine();
        if (!next) Fail("line continuation at the end of the file");
        line = *next;
        i = 0;
        continue;
      }
      if (state == AfterByte) {
        if (line[i] != ',') Fail("expected ',' between hex bytes, found " + Quote(line.substr(i)));
        state = AfterComma;
        ++i;
        continue;
      }
      if (i + 1 >= line.size() || !IsHexDigit(line[i]) || !IsHexDigit(line[i + 1]) ||
          (i + 2 < line.size() && IsHexDigit(line[i + 2]))) {
        Fail("expected a byte of two hex digits, found " + Quote(line.substr(i)));
      }
      if (out.size() >= kMaxValueBytes) Fail("value longer than " + std::to_string(kMaxValueBytes));
      out.push_back(static_cast<uint8_t>(HexValue(line[i]) << 4 | HexValue(line[i + 1])));
      i += 2;
      state = AfterByte;
    }
  }

  // String data of a hex(type): value, as the narrow text the registry hands out: a version
  // 5 file holds it in UTF-16LE, a REGEDIT4 file already narrow. Always ends in a NUL.
  void ToNarrowText(std::vector<uint8_t>& data, size_t valueLine) const {
    if (version_ == 5) {
      std::string text;
      const std::string_view raw(reinterpret_cast<const char*>(data.data()), data.size());
      if (const char* problem = DecodeUtf16Le(raw, text)) {
        throw Rejection{valueLine, std::string("text of the value is not UTF-16LE: ") + problem};
      }
      data.assign(text.begin(), text.end());
    }
    if (data.empty() || data.back() != 0) data.push_back(0);
  }

  // A quoted text from s[open] (a '"'), its escapes \\ and \" undone; returns the index
  // after the closing quote.
  size_t ParseQuoted(std::string_view s, size_t open, std::string& out) const {
    for (size_t i = open + 1; i < s.size(); ++i) {
      if (out.size() > kMaxValueBytes) Fail("text longer than " + std::to_string(kMaxValueBytes));
      if (s[i] == '"') return i + 1;
      if (s[i] == '\\') {
        if (i + 1 >= s.size()) break;
        if (s[i + 1] != '\\' && s[i + 1] != '"') {
          Fail("unknown escape " + Quote(s.substr(i, 2)) + " (only \\\\ and \\\" are known)");
        }
        ++i;
      }
      out += s[i];
    }
    Fail("unterminated string: no closing '\"' on the line");
  }

  void ExpectEnd(std::string_view rest) const {
    rest = TrimLeft(rest);
    if (!rest.empty() && rest[0] != ';') Fail("unexpected text after the value: " + Quote(rest));
  }

  std::string_view text_;
  RegistryRoot root_;
  RegistryStore store_;
  size_t pos_ = 0;
  size_t line_ = 0;
  int version_ = 5;
  Section section_ = Section::None;
  bool sectionHasValues_ = false;
  std::string current_;  // folded path of the key whose section this is
};

size_t CountLines(std::string_view text) {
  size_t lines = 1;
  for (char c : text) lines += c == '\n';
  return lines;
}

}  // namespace

RegistryStore::RegistryStore() {
  keys_.emplace("", StoredKey{});
}

const StoredKey* RegistryStore::FindKey(std::string_view path) const {
  auto folded = FoldKeyPath(path);
  if (!folded) return nullptr;
  auto it = keys_.find(*folded);
  return it == keys_.end() ? nullptr : &it->second;
}

StoredKey& RegistryStore::CreateKey(const std::string& foldedPath) {
  for (size_t p = foldedPath.find('\\'); p != std::string::npos; p = foldedPath.find('\\', p + 1)) {
    keys_.try_emplace(foldedPath.substr(0, p));
  }
  return keys_.try_emplace(foldedPath).first->second;
}

void RegistryStore::DeleteKey(const std::string& foldedPath) {
  if (foldedPath.empty()) return;
  keys_.erase(foldedPath);
  const std::string prefix = foldedPath + '\\';
  auto it = keys_.lower_bound(prefix);
  while (it != keys_.end() && it->first.compare(0, prefix.size(), prefix) == 0) {
    it = keys_.erase(it);
  }
}

const char* KeyPathProblem(std::string_view path) {
  if (path.size() > kMaxKeyPathBytes) return "key path longer than 1024 bytes";
  if (path.empty()) return nullptr;
  size_t start = 0;
  for (;;) {
    const size_t end = std::min(path.find('\\', start), path.size());
    if (end == start) return "empty key name (a leading, doubled or trailing backslash)";
    if (end - start > kMaxKeyNameBytes) return "key name longer than 255 bytes";
    if (end == path.size()) return nullptr;
    start = end + 1;
  }
}

std::optional<std::string> FoldKeyPath(std::string_view path) {
  if (KeyPathProblem(path)) return std::nullopt;
  return FoldName(path);
}

std::string FoldName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = FoldChar(c);
  return folded;
}

const char* RootName(RegistryRoot root) {
  return root == RegistryRoot::ClassesRoot ? "HKEY_CLASSES_ROOT" : "HKEY_CURRENT_USER";
}

ParseOutcome ParseRegistryStore(std::string_view bytes, RegistryRoot root,
                                std::string_view fileName) {
  ParseOutcome outcome;
  auto reject = [&](size_t line, const std::string& message) {
    outcome.errorLine = line;
    outcome.error = std::string(fileName) + ":" + std::to_string(line) + ": " + message;
    return outcome;
  };
  if (bytes.size() > kMaxFileBytes) return reject(1, "file larger than 16 MiB");
  std::string decoded;
  std::string_view text = bytes;
  if (bytes.starts_with("\xFF\xFE")) {
    if (const char* problem = DecodeUtf16Le(bytes.substr(2), decoded)) {
      return reject(CountLines(decoded), std::string("file is not UTF-16LE: ") + problem);
    }
    text = decoded;
  } else if (bytes.starts_with("\xFE\xFF")) {
    return reject(1, "UTF-16 big-endian files are not read; save it as UTF-8 or UTF-16LE");
  } else if (bytes.starts_with("\xEF\xBB\xBF")) {
    text.remove_prefix(3);
  }
  try {
    outcome.store = Parser(text, root).Parse();
  } catch (const Rejection& rejection) {
    return reject(rejection.line, rejection.message);
  }
  return outcome;
}

}  // namespace fv::platform::store
