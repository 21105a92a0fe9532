// Text conversions at the Windows boundary.
#include "platform/text.h"

#include <gtest/gtest.h>

namespace {

TEST(TextTest, Utf16RoundTripsEveryPlane) {
  const std::string text = "Notepad – Блокнот 記事本 😀";
  const std::u16string wide = platform::Utf8ToUtf16(text);
  EXPECT_EQ(wide.size(), 24U) << "the emoji takes a surrogate pair";
  EXPECT_EQ(platform::Utf16ToUtf8(wide), text);
}

TEST(TextTest, MalformedInputIsReplacedNotDropped) {
  EXPECT_EQ(platform::Utf16ToUtf8(u"a\xD800z"), "a\xEF\xBF\xBDz");
  EXPECT_EQ(platform::Utf8ToUtf16("a\xC3"), u"a\xFFFD");
  EXPECT_EQ(platform::Utf8ToUtf16("\xE0\x80\x80"), u"\xFFFD\xFFFD\xFFFD") << "overlong form";
}

TEST(TextTest, TruncationCountsUtf16UnitsAndKeepsPairsWhole) {
  EXPECT_EQ(platform::TruncateUtf16Units("abcdef", 4), "abcd");
  EXPECT_EQ(platform::TruncateUtf16Units("ab😀", 3), "ab");
  EXPECT_EQ(platform::TruncateUtf16Units("Блокнот", 3), "Бло");
}

TEST(TextTest, RegSzDataEndsAtItsNul) {
  EXPECT_EQ(platform::DecodeRegSz(platform::EncodeRegSz("Ünï")), "Ünï");
  EXPECT_EQ(platform::DecodeRegSz({'a', 0, 'b'}), "a") << "a trailing odd byte is no character";
  EXPECT_EQ(platform::DecodeRegSz({'a', 0, 'b', 0}), "ab") << "stored without its NUL";
  EXPECT_EQ(platform::DecodeRegSz({'a', 0, 0, 0, 'b', 0}), "a") << "an embedded NUL ends it";
}

}  // namespace
