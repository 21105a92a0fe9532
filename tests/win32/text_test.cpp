// The system's own lower-casing against the portable one the host build
// uses: the two must agree on every Latin, Greek and Cyrillic letter, or a
// password set on one would not open the lock on the other.
#include <gtest/gtest.h>

#include "platform/text.h"
#include "platform/win32/win32_system.h"

namespace {

std::string Utf8Of(char32_t cp) {
  return platform::Utf16ToUtf8(std::u16string(1, static_cast<char16_t>(cp)));
}

TEST(SystemTextTest, LowerCaseAgreesWithThePortableFoldingOnLatinGreekAndCyrillic) {
  platform::win32::Win32Text text;
  struct Range {
    char32_t first;
    char32_t last;
  };
  int differences = 0;
  for (const Range range :
       {Range{0x0020, 0x017F}, Range{0x0370, 0x03FF}, Range{0x0400, 0x052F}, Range{0x1E00, 0x1EFF}}) {
    for (char32_t cp = range.first; cp <= range.last; ++cp) {
      const std::string letter = Utf8Of(cp);
      const std::string system = text.LowerCase(letter);
      if (system != platform::UnicodeLower(letter) && ++differences <= 20) {
        ADD_FAILURE() << std::hex << "U+" << static_cast<unsigned>(cp) << ": system gives U+"
                      << static_cast<unsigned>(platform::Utf8ToUtf16(system).at(0));
      }
    }
  }
  EXPECT_EQ(differences, 0);
  EXPECT_EQ(text.LowerCase("ÄÖÜ ΣΩ ЖЯ Straße 12!"), "äöü σω жя straße 12!");
  EXPECT_EQ(text.LowerCase(""), "");
}

}  // namespace
