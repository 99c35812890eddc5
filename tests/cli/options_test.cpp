// The command's reading of page ranges, colours and name patterns: what each text becomes
// in the library's terms.
#include <gtest/gtest.h>

#include <climits>

#include "options.h"

namespace fvc {
namespace {

TEST(PagesOption, BecomesTheLibrarysRangeRecord) {
  struct Case {
    const char* text;
    bool valid;
    int32_t from, to;
  };
  const Case cases[] = {
      {"5", true, 5, 5},
      {"3-7", true, 3, 7},
      {"7-3", true, 7, 3},  // the library puts the bounds in order
      // An open end must not become 0: the library reads (3, 0) as pages 1 to 3.
      {"3-", true, 3, INT32_MAX},
      {"-7", true, 1, 7},
      {"2147483647", true, INT32_MAX, INT32_MAX},
      {"0", false, 0, 0},
      {"2147483648", false, 0, 0},
      {"-", false, 0, 0},
      {"", false, 0, 0},
      {"3-x", false, 0, 0},
      {"3--7", false, 0, 0},
      {"+3", false, 0, 0},
      {" 3", false, 0, 0},
  };
  for (const Case& c : cases) {
    int32_t from = 0, to = 0;
    EXPECT_EQ(ParsePages(c.text, from, to), c.valid) << c.text;
    if (c.valid) {
      EXPECT_EQ(from, c.from) << c.text;
      EXPECT_EQ(to, c.to) << c.text;
    }
  }
}

TEST(ColorOption, BecomesTheWindowsColourLayout) {
  struct Case {
    const char* text;
    bool valid;
    int32_t color;
  };
  const Case cases[] = {
      {"#ff0000", true, 0x0000FF},  // red lives in the low byte
      {"#0080ff", true, 0xFF8000}, {"0x00BBGGRR", false, 0}, {"0x123456", true, 0x123456},
      {"255", true, 255},          {"-5", true, -5},  // a system colour
      {"0x1000000", false, 0},     {"#fff", false, 0},       {"#-12345", false, 0},
      {"red", false, 0},           {"", false, 0},
  };
  for (const Case& c : cases) {
    int32_t color = 0;
    EXPECT_EQ(ParseColor(c.text, color), c.valid) << c.text;
    if (c.valid) {
      EXPECT_EQ(color, c.color) << c.text;
    }
  }
}

TEST(NamePattern, ExpandsTheInputsName) {
  struct Case {
    const char* pattern;
    const char* input;
    bool valid;
    const char* expanded;
  };
  const Case cases[] = {
      {"out/%n", "docs/Report 2024.docx", true, "out/Report 2024"},
      {"%n-", "archive.tar.doc", true, "archive.tar-"},
      {"100%%", "a.doc", true, "100%"},
      {"plain", "a.doc", true, "plain"},
      {"%", "a.doc", false, ""},
      {"%d", "a.doc", false, ""},
  };
  for (const Case& c : cases) {
    std::string expanded;
    EXPECT_EQ(ExpandPattern(c.pattern, c.input, expanded), c.valid) << c.pattern;
    if (c.valid) {
      EXPECT_EQ(expanded, c.expanded) << c.pattern;
    }
  }
}

}  // namespace
}  // namespace fvc
