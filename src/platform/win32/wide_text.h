// UTF-8 <-> wide (UTF-16) text at the boundary of the W entry points. The
// program keeps UTF-8 inside; these only change the element type of the
// portable conversions in platform/text.h.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace platform::win32 {

inline std::wstring ToWide(std::string_view text) {
  const std::u16string wide = Utf8ToUtf16(text);
  return {wide.begin(), wide.end()};
}

inline std::string FromWide(std::wstring_view text) {
  const std::u16string wide(text.begin(), text.end());
  return Utf16ToUtf8(wide);
}

}  // namespace platform::win32
