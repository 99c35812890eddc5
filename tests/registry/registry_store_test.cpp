// The store file parser: what an accepted file means, and that every malformed file is
// rejected with the line at fault.
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "platform/posix/registry_store.h"

namespace fv::platform::store {
namespace {

constexpr const char* kV5 = "Windows Registry Editor Version 5.00\r\n\r\n";

std::vector<uint8_t> Bytes(std::string_view text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

// Text as a NUL-terminated narrow string value holds it.
std::vector<uint8_t> Text(std::string_view text) {
  auto bytes = Bytes(text);
  bytes.push_back(0);
  return bytes;
}

RegistryStore Accept(std::string_view file, RegistryRoot root = RegistryRoot::ClassesRoot) {
  auto outcome = ParseRegistryStore(file, root, "test.reg");
  EXPECT_TRUE(outcome.store) << outcome.error;
  return outcome.store ? std::move(*outcome.store) : RegistryStore();
}

struct ValueCase {
  const char* name;
  std::string file;
  const char* key;
  const char* value;
  uint32_t type;
  std::vector<uint8_t> data;
};
void PrintTo(const ValueCase& c, std::ostream* os) {
  *os << c.name;
}

// UTF-16LE bytes as a .reg file writes them: "xx,xx,...".
std::string HexUtf16(std::u16string_view text) {
  std::string out;
  char byte[4];
  for (char16_t unit : text) {
    for (int shift : {0, 8}) {
      std::snprintf(byte, sizeof byte, "%02x,", (unit >> shift) & 0xFF);
      out += byte;
    }
  }
  out.pop_back();
  return out;
}

const std::vector<ValueCase> kValues = {
    {"String", std::string(kV5) + "[HKEY_CLASSES_ROOT\\.doc]\r\n@=\"Word.Document.8\"\r\n", ".doc",
     "", REG_SZ, Text("Word.Document.8")},
    {"EscapesAndUtf8",
     std::string(kV5) + "[HKEY_CLASSES_ROOT\\k]\n\"a\\\\b\"=\"C:\\\\x \\\"q\\\" é\"\n", "k", "a\\b",
     REG_SZ, Text("C:\\x \"q\" é")},
    {"EmptyNameIsTheDefault", std::string(kV5) + "[HKEY_CLASSES_ROOT\\k]\n\"\"=\"d\"\n", "k", "",
     REG_SZ, Text("d")},
    {"KeysAndNamesIgnoreCase", std::string(kV5) + "[hkey_classes_root\\A\\B]\n\"Name\"=\"v\"\n",
     "a\\b", "NAME", REG_SZ, Text("v")},
    {"DwordLittleEndian",
     std::string(kV5) + "[HKEY_CLASSES_ROOT\\k]\n\"d\"=dword:0001020a\n",
     "k",
     "d",
     REG_DWORD,
     {0x0a, 0x02, 0x01, 0x00}},
    {"ShortDword",
     std::string(kV5) + "[HKEY_CLASSES_ROOT\\k]\n\"d\"=DWORD:ff ; a comment\n",
     "k",
     "d",
     REG_DWORD,
     {0xff, 0, 0, 0}},
    {"BinaryOverContinuations",
     std::string(kV5) + "[HKEY_CLASSES_ROOT\\k]\n\"b\"=hex:00,01,\\\n  fe, FF,\\\r\n\t10\n",
     "k",
     "b",
     REG_BINARY,
     {0x00, 0x01, 0xfe, 0xff, 0x10}},
    {"EmptyBinary",
     std::string(kV5) + "[HKEY_CLASSES_ROOT\\k]\n\"b\"=hex:\n",
     "k",
     "b",
     REG_BINARY,
     {}},
    {"ExpandStringFromUtf16",
     std::string(kV5) + "[HKEY_CLASSES_ROOT\\k]\n@=hex(2):" + HexUtf16(u"%X%\\é😀") + ",00,00\n",
     "k", "", REG_EXPAND_SZ, Text("%X%\\é😀")},
    {"Utf16TextGetsItsNul",
     std::string(kV5) + "[HKEY_CLASSES_ROOT\\k]\n@=hex(1):" + HexUtf16(u"ab") + "\n", "k", "",
     REG_SZ, Text("ab")},
    {"Regedit4ExpandStringIsNarrow", "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\k]\n@=hex(2):25,58,25,00\n",
     "k", "", REG_EXPAND_SZ, Text("%X%")},
    {"OtherTypeKeepsItsBytes",
     std::string(kV5) + "[HKEY_CLASSES_ROOT\\k]\n@=hex(b):01,02\n",
     "k",
     "",
     0xb,
     {0x01, 0x02}},
    {"LaterValueWins",
     std::string(kV5) + "[HKEY_CLASSES_ROOT\\k]\n@=\"a\"\n[HKEY_CLASSES_ROOT\\K]\n@=\"b\"\n", "k",
     "", REG_SZ, Text("b")},
    {"Utf8ByteOrderMark", "\xEF\xBB\xBF" + std::string(kV5) + "[HKEY_CLASSES_ROOT\\k]\n@=\"v\"\n",
     "k", "", REG_SZ, Text("v")},
    {"HeaderWithTrailingBlanks", "REGEDIT4  \n[HKEY_CLASSES_ROOT\\k]  \n  @ = \"v\"\n", "k", "",
     REG_SZ, Text("v")},
};

class StoreValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(StoreValue, IsReadAsWritten) {
  const ValueCase& c = GetParam();
  const RegistryStore store = Accept(c.file);
  const StoredKey* key = store.FindKey(c.key);
  ASSERT_NE(key, nullptr);
  auto it = key->values.find(FoldName(c.value));
  ASSERT_NE(it, key->values.end());
  EXPECT_EQ(it->second.type, c.type);
  EXPECT_EQ(it->second.data, c.data);
}

INSTANTIATE_TEST_SUITE_P(Files, StoreValue, ::testing::ValuesIn(kValues),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(RegistryStore, KeysExistWithTheirAncestorsAndGoWithTheirDeletion) {
  const RegistryStore store = Accept(std::string(kV5) +
                                     "[HKEY_CLASSES_ROOT\\a\\b\\c]\n"
                                     "[HKEY_CLASSES_ROOT\\x\\y]\n@=\"1\"\n\"keep\"=\"2\"\n"
                                     "[HKEY_CLASSES_ROOT\\x\\y]\n@=-\n"
                                     "[-HKEY_CLASSES_ROOT\\a\\b]\n"
                                     "[HKEY_CLASSES_ROOT\\a\\b2]\n");
  EXPECT_NE(store.FindKey(""), nullptr);
  EXPECT_NE(store.FindKey("a"), nullptr);
  EXPECT_EQ(store.FindKey("a\\b"), nullptr);
  EXPECT_EQ(store.FindKey("a\\b\\c"), nullptr);
  EXPECT_NE(store.FindKey("A\\B2"), nullptr);
  const StoredKey* y = store.FindKey("x\\y");
  ASSERT_NE(y, nullptr);
  EXPECT_EQ(y->values.count(""), 0u);
  EXPECT_EQ(y->values.count("keep"), 1u);
  // Malformed look-up paths find nothing, not the key they resemble.
  for (const char* path : {"\\x", "x\\", "x\\\\y", "\\"}) EXPECT_EQ(store.FindKey(path), nullptr);
}

TEST(RegistryStore, ReadOnlyMarkBelongsToItsKeyAlone) {
  const RegistryStore store = Accept(std::string(kV5) +
                                     "[HKEY_CLASSES_ROOT\\.doc]\n;@access=read\n@=\"W\"\n"
                                     "[HKEY_CLASSES_ROOT\\.doc\\W]\n"
                                     "[HKEY_CLASSES_ROOT\\.doc]\n"
                                     "  ;@access=read   \n");
  EXPECT_TRUE(store.FindKey(".doc")->readOnly);
  EXPECT_FALSE(store.FindKey(".doc\\w")->readOnly);
  EXPECT_FALSE(store.FindKey("")->readOnly);
}

TEST(RegistryStore, EmptyFilesAndOtherEncodings) {
  EXPECT_EQ(Accept("").Keys().size(), 1u);  // just the root
  EXPECT_EQ(Accept("REGEDIT4").Keys().size(), 1u);
  // A file as the system's own editor exports it: UTF-16LE with a byte order mark.
  const std::u16string wide =
      u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Ünï]\r\n"
      u"@=\"😀\"\r\n";
  std::string file = "\xFF\xFE";
  for (char16_t unit : wide) {
    file += static_cast<char>(unit & 0xFF);
    file += static_cast<char>(unit >> 8);
  }
  const RegistryStore store = Accept(file, RegistryRoot::CurrentUser);
  const StoredKey* key = store.FindKey("software\\Ünï");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->values.at("").data, Text("😀"));
}

struct RejectCase {
  const char* name;
  std::string file;
  size_t line;
  const char* message;  // a part of the message
};
void PrintTo(const RejectCase& c, std::ostream* os) {
  *os << c.name;
}

const std::string kKey = std::string(kV5) + "[HKEY_CLASSES_ROOT\\k]\n";  // lines 1-3

const std::vector<RejectCase> kRejects = {
    {"NoHeader", "[HKEY_CLASSES_ROOT\\k]\n", 1, "the first line must be"},
    {"HeaderOfAnotherVersion", "Windows Registry Editor Version 4.00\n", 1, "first line"},
    {"ByteOrderMarkOnly", "\xEF\xBB\xBF\n", 1, "first line"},
    {"ValueBeforeAnyKey", std::string(kV5) + "@=\"x\"\n", 3, "before any [key]"},
    {"KeyOfTheOtherRoot", std::string(kV5) + "[HKEY_CURRENT_USER\\Software]\n", 3,
     "key of HKEY_CURRENT_USER in the store of HKEY_CLASSES_ROOT"},
    {"KeyOfAMachineRoot", std::string(kV5) + "[HKEY_LOCAL_MACHINE\\Software]\n", 3,
     "key of HKEY_LOCAL_MACHINE"},
    {"UnknownRoot", std::string(kV5) + "[HKCR\\.doc]\n", 3, "unknown root 'HKCR'"},
    {"UnclosedHeader", std::string(kV5) + "[HKEY_CLASSES_ROOT\\k\n", 3, "closing ']'"},
    {"TextAfterHeader", std::string(kV5) + "[HKEY_CLASSES_ROOT\\k] x\n", 3,
     "after the closing ']'"},
    {"DoubledBackslash", std::string(kV5) + "[HKEY_CLASSES_ROOT\\a\\\\b]\n", 3, "empty key name"},
    {"TrailingBackslash", std::string(kV5) + "[HKEY_CLASSES_ROOT\\a\\]\n", 3, "empty key name"},
    {"NothingAfterTheRoot", std::string(kV5) + "[HKEY_CLASSES_ROOT\\]\n", 3, "empty key name"},
    {"KeyNameTooLong", std::string(kV5) + "[HKEY_CLASSES_ROOT\\" + std::string(256, 'k') + "]\n", 3,
     "longer than 255"},
    {"KeyPathTooLong",
     std::string(kV5) + "[HKEY_CLASSES_ROOT\\" +
         [] {
           std::string path = "k";
           while (path.size() <= 1024) path += "\\k";
           return path;
         }() +
         "]\n",
     3, "key path longer than 1024"},
    {"DeletingTheRoot", std::string(kV5) + "[-HKEY_CLASSES_ROOT]\n", 3, "root cannot be deleted"},
    {"ValueUnderADeletedKey", std::string(kV5) + "[-HKEY_CLASSES_ROOT\\k]\n@=\"x\"\n", 4,
     "under a deleted key"},
    {"StrayText", kKey + "Word.Document.8\n", 4, "expected a [key] header"},
    {"UnterminatedString", kKey + "@=\"Word.Document.8\n", 4, "unterminated string"},
    {"UnterminatedName", kKey + "\"name=\"x\n", 4, "expected '='"},
    {"EscapeAtLineEnd", kKey + "@=\"x\\\n", 4, "unterminated string"},
    {"UnknownEscape", kKey + "@=\"C:\\temp\"\n", 4, "unknown escape '\\t'"},
    {"MissingEquals", kKey + "\"a\" \"b\"\n", 4, "expected '='"},
    {"MissingData", kKey + "@=\n", 4, "missing data"},
    {"UnknownType", kKey + "@=qword:1\n", 4, "unknown value type"},
    {"HexWithoutColon", kKey + "@=hex 00\n", 4, "unknown value type"},
    {"TextAfterString", kKey + "@=\"a\" \"b\"\n", 4, "unexpected text after the value"},
    {"DwordWithoutDigits", kKey + "@=dword:\n", 4, "1 to 8 hex digits"},
    {"DwordTooLong", kKey + "@=dword:000000001\n", 4, "at most 8"},
    {"DwordNotHex", kKey + "@=dword:12g4\n", 4, "unexpected text after the value"},
    {"OddHex", kKey + "@=hex:0\n", 4, "two hex digits"},
    {"ThreeDigitHex", kKey + "@=hex:001\n", 4, "two hex digits"},
    {"HexNotHex", kKey + "@=hex:0g\n", 4, "two hex digits"},
    {"HexMissingComma", kKey + "@=hex:00 01\n", 4, "expected ','"},
    {"HexEndsWithComma", kKey + "@=hex:00,\n", 4, "ends with ','"},
    {"HexContinuationWithoutComma", kKey + "@=hex:00\\\n01\n", 4, "before the line continuation"},
    {"HexContinuationAtTheEnd", kKey + "@=hex:00,\\\n", 4, "continuation at the end"},
    {"HexTextAfterContinuation", kKey + "@=hex:00,\\ x\n01\n", 4, "after the line continuation"},
    {"HexErrorOnAContinuedLine", kKey + "@=hex:00,\\\n  01,zz\n", 5, "two hex digits"},
    {"HexTypeEmpty", kKey + "@=hex():00\n", 4, "malformed hex(type)"},
    {"HexTypeUnclosed", kKey + "@=hex(2:00\n", 4, "malformed hex(type)"},
    {"HexTypeTooLong", kKey + "@=hex(100000000):00\n", 4, "at most 8 hex digits"},
    {"Utf16OddLength", kKey + "@=hex(2):41,00,42\n", 4, "not UTF-16LE: an odd number"},
    {"Utf16LoneHighSurrogate", kKey + "@=hex(2):3d,d8,41,00\n", 4, "high surrogate without"},
    {"Utf16LoneLowSurrogate", kKey + "@=hex(1):00,dc\n", 4, "low surrogate"},
    {"Utf16HighSurrogateAtEnd", kKey + "@=hex(7):\\\n 3d,d8\n", 4, "high surrogate at the end"},
    {"UnknownDirective", kKey + ";@access=write\n", 4, "unknown directive"},
    {"DirectiveAfterAValue", kKey + "@=\"x\"\n;@access=read\n", 5, "before the values"},
    {"DirectiveBeforeAnyKey", std::string(kV5) + ";@access=read\n", 3, "belongs under a [key]"},
    {"NulInText", kKey + std::string("@=\"a\0b\"\n", 8), 4, "NUL character"},
    {"ControlCharacter", kKey + "@=\"a\x01\"\n", 4, "control character 1"},
    {"LoneCarriageReturn", kKey + "@=\"a\rb\"\n", 4, "control character 13"},
    {"InvalidUtf8", kKey + "@=\"\xC3\x28\"\n", 4, "invalid UTF-8 at byte 4"},
    {"OverlongUtf8", kKey + "@=\"\xC0\xAF\"\n", 4, "invalid UTF-8"},
    {"Utf8Surrogate", kKey + "@=\"\xED\xA0\x80\"\n", 4, "invalid UTF-8"},
    {"TruncatedUtf8AtTheEnd", kKey + "@=\"\xE2\x82", 4, "invalid UTF-8"},
    {"LineTooLong", kKey + "@=\"" + std::string(64 * 1024, 'x') + "\"\n", 4, "line longer than"},
    {"BigEndianUtf16", std::string("\xFE\xFF\0W", 4), 1, "big-endian"},
    {"Utf16OddFile", std::string("\xFF\xFER\0E\0\n\0x", 9), 2, "file is not UTF-16LE: an odd"},
    {"Utf16FileWithALoneSurrogate", std::string("\xFF\xFE\n\0\n\0\x00\xDC", 8), 3,
     "file is not UTF-16LE: a low surrogate"},
    // Found by the fuzzer (fuzz/registry_store_fuzzer.cpp): the first line is checked like
    // every other, a file may end anywhere, and a UTF-16 file may be cut inside a pair.
    {"FuzzNulOnly", std::string(1, '\0'), 1, "NUL character"},
    {"FuzzVerticalTabOnly", "\v", 1, "control character 11"},
    {"FuzzTabOnly", "\t", 1, "the first line must be"},
    {"FuzzLeadByteOnly", "\xF4", 1, "invalid UTF-8 at byte 1"},
    {"FuzzBigEndianMarkOnly", "\xFE\xFF", 1, "big-endian"},
    {"FuzzUtf16CutInAPair", "\xFF\xFE=\xD8", 1, "a high surrogate at the end"},
    {"FuzzUtf16PairWithoutItsLowHalf", "\xFF\xFE=\xD8\xFF\xFF", 1, "high surrogate without"},
    {"FuzzUtf16LowHalfAlone", "\xFF\xFE\xFF\xDD", 1, "low surrogate without"},
    {"FuzzUtf16OddByte", "\xFF\xFEW", 1, "an odd number of bytes"},
    {"FuzzValueNameAtTheEnd", "REGEDIT4\n\n[HKEY_CLASSES_ROOT]\n@    ", 4, "expected '='"},
    {"FuzzEqualsAtTheEnd", "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\k]\n@=", 4, "missing data"},
    {"FuzzHeaderCutShort", "REGEDIT4\n[RF", 2, "closing ']'"},
    {"FuzzTextAfterAHeader", "REGEDIT4\n\n[Hg]I", 3, "after the closing ']'"},
};

class StoreReject : public ::testing::TestWithParam<RejectCase> {};

TEST_P(StoreReject, NamesTheFileAndLine) {
  const RejectCase& c = GetParam();
  const auto outcome = ParseRegistryStore(c.file, RegistryRoot::ClassesRoot, "/x/HKCR.reg");
  ASSERT_FALSE(outcome.store);
  EXPECT_EQ(outcome.errorLine, c.line) << outcome.error;
  EXPECT_EQ(outcome.error.rfind("/x/HKCR.reg:" + std::to_string(c.line) + ": ", 0), 0u)
      << outcome.error;
  EXPECT_NE(outcome.error.find(c.message), std::string::npos) << outcome.error;
}

INSTANTIATE_TEST_SUITE_P(Files, StoreReject, ::testing::ValuesIn(kRejects),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(RegistryStore, MessagesQuoteLongTextShortAndWhole) {
  // The quoted text is cut between characters, never inside one.
  const std::string file = kKey + "@=q" + std::string(58, 'x') + "éé\n";
  const auto outcome = ParseRegistryStore(file, RegistryRoot::ClassesRoot, "f");
  ASSERT_FALSE(outcome.store);
  EXPECT_NE(outcome.error.find("'q" + std::string(58, 'x') + "...'"), std::string::npos)
      << outcome.error;
  EXPECT_LT(outcome.error.size(), 200u);
}

}  // namespace
}  // namespace fv::platform::store
