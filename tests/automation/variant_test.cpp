// Variants and OLE strings as the word processor receives them.
#include <gtest/gtest.h>

#include "automation/Variant.h"

namespace fv::automation {
namespace {

TEST(Bstr, NarrowTextConvertsBothWays) {
  struct Case {
    std::string narrow;
    std::u16string wide;
    std::string back;
  } cases[] = {
      {"C:\\a\\b.doc", u"C:\\a\\b.doc", "C:\\a\\b.doc"},
      {"总页数：", u"总页数：", "总页数："},
      {"\xF0\x9F\x93\x84", u"\U0001F4C4", "\xF0\x9F\x93\x84"},  // a surrogate pair
      // Malformed bytes become U+FFFD, never an overread or a dropped character.
      {"a\xC3", u"a\uFFFD", "a\xEF\xBF\xBD"},
      {"\xE6\x80", u"\uFFFD\uFFFD", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"\xC0\xAF", u"\uFFFD\uFFFD", "\xEF\xBF\xBD\xEF\xBF\xBD"},  // overlong '/'
      {"", u"", ""},
  };
  for (const Case& c : cases) {
    const Bstr b = Bstr::FromNarrow(c.narrow);
    EXPECT_EQ(b.Text(), c.wide);
    EXPECT_EQ(b.ToNarrow(), c.back);
  }
}

TEST(Variant, TheKindsTheEnginePasses) {
  EXPECT_EQ(Variant().Type(), VT_EMPTY);
  const Variant omitted = Variant::Omitted();
  EXPECT_EQ(omitted.Type(), VT_ERROR);
  EXPECT_EQ(static_cast<uint32_t>(omitted.ErrorValue()), 0x80020004u);
  EXPECT_TRUE(omitted.IsOmitted());
  EXPECT_FALSE(Variant::Error(E_FAIL).IsOmitted());
  EXPECT_EQ(Variant::Bool(true).BoolValue(), -1);
  EXPECT_EQ(Variant::Bool(false).BoolValue(), 0);
  int32_t value = 0;
  EXPECT_TRUE(Variant::UInt(0xFFFFFFFFu).ToInt32(value));
  EXPECT_EQ(value, -1);  // wdGoToLast
  EXPECT_FALSE(Variant::String("1").ToInt32(value));
  EXPECT_EQ(Variant::Int(8).Describe(), "I4 8");
  EXPECT_EQ(Variant::String("x").Describe(), "BSTR \"x\"");
}

}  // namespace
}  // namespace fv::automation
