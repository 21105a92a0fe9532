// UTF-8 <-> UTF-16 conversion without any platform library, so both builds
// convert the same way.
#include "platform/text.h"

#include <cstdint>
#include <utility>

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at text[i], advancing i; malformed sequences yield
// U+FFFD and consume one byte.
char32_t DecodeUtf8(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<std::uint8_t>(text[i]);
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  int extra = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if ((lead & 0xE0U) == 0xC0U) {
    extra = 1;
    cp = lead & 0x1FU;
    min = 0x80;
  } else if ((lead & 0xF0U) == 0xE0U) {
    extra = 2;
    cp = lead & 0x0FU;
    min = 0x800;
  } else if ((lead & 0xF8U) == 0xF0U) {
    extra = 3;
    cp = lead & 0x07U;
    min = 0x10000;
  } else {
    ++i;
    return kReplacement;
  }
  if (i + static_cast<std::size_t>(extra) >= text.size()) {
    ++i;
    return kReplacement;
  }
  for (int k = 1; k <= extra; ++k) {
    const auto byte = static_cast<std::uint8_t>(text[i + static_cast<std::size_t>(k)]);
    if ((byte & 0xC0U) != 0x80U) {
      ++i;
      return kReplacement;
    }
    cp = (cp << 6U) | (byte & 0x3FU);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return kReplacement;
  }
  i += static_cast<std::size_t>(extra) + 1;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0U | (cp >> 6U)));
    out.push_back(static_cast<char>(0x80U | (cp & 0x3FU)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0U | (cp >> 12U)));
    out.push_back(static_cast<char>(0x80U | ((cp >> 6U) & 0x3FU)));
    out.push_back(static_cast<char>(0x80U | (cp & 0x3FU)));
  } else {
    out.push_back(static_cast<char>(0xF0U | (cp >> 18U)));
    out.push_back(static_cast<char>(0x80U | ((cp >> 12U) & 0x3FU)));
    out.push_back(static_cast<char>(0x80U | ((cp >> 6U) & 0x3FU)));
    out.push_back(static_cast<char>(0x80U | (cp & 0x3FU)));
  }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const char32_t cp = DecodeUtf8(text, i);
    if (cp >= 0x10000) {
      const char32_t v = cp - 0x10000;
      out.push_back(static_cast<char16_t>(0xD800U + (v >> 10U)));
      out.push_back(static_cast<char16_t>(0xDC00U + (v & 0x3FFU)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      const char32_t cp = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10U) +
                          (static_cast<char32_t>(text[i + 1]) - 0xDC00);
      AppendUtf8(out, cp);
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

std::string TruncateUtf16Units(std::string_view text, std::size_t max_units) {
  std::u16string wide = Utf8ToUtf16(text);
  if (wide.size() <= max_units) return std::string(text);
  std::size_t cut = max_units;
  if (cut > 0 && wide[cut - 1] >= 0xD800 && wide[cut - 1] <= 0xDBFF) --cut;
  wide.resize(cut);
  return Utf16ToUtf8(wide);
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

namespace {

// Ranges where capitals and small letters alternate (even capital, odd small,
// or the other way round when odd_capital).
struct Alternating {
  char32_t first;
  char32_t last;
  bool odd_capital;
};

constexpr Alternating kAlternating[] = {
    {0x0100, 0x012F, false}, {0x0132, 0x0137, false}, {0x0139, 0x0148, true},  {0x014A, 0x0177, false},
    {0x0179, 0x017E, true},  {0x0370, 0x0373, false}, {0x0376, 0x0377, false}, {0x03D8, 0x03EF, false},
    {0x0460, 0x0481, false}, {0x048A, 0x04BF, false}, {0x04C1, 0x04CE, true},  {0x04D0, 0x052F, false},
    {0x1E00, 0x1E95, false}, {0x1EA0, 0x1EFF, false},
};

// Capitals that map one by one. Windows leaves U+0130, U+03F4 and U+1E9E
// as they are, whose small forms are not one character or not one-to-one.
constexpr std::pair<char32_t, char32_t> kSingles[] = {
    {0x0178, 0x00FF}, {0x037F, 0x03F3}, {0x0386, 0x03AC}, {0x038C, 0x03CC}, {0x038E, 0x03CD},
    {0x038F, 0x03CE}, {0x03CF, 0x03D7}, {0x03F7, 0x03F8}, {0x03F9, 0x03F2}, {0x03FA, 0x03FB},
    {0x03FD, 0x037B}, {0x03FE, 0x037C}, {0x03FF, 0x037D}, {0x04C0, 0x04CF},
};

char32_t LowerCodePoint(char32_t cp) {
  if (cp >= 'A' && cp <= 'Z') return cp + 0x20;
  if (cp < 0xC0) return cp;
  if ((cp >= 0x00C0 && cp <= 0x00DE && cp != 0x00D7) || (cp >= 0x0391 && cp <= 0x03AB && cp != 0x03A2) ||
      (cp >= 0x0410 && cp <= 0x042F)) {
    return cp + 0x20;
  }
  if (cp >= 0x0388 && cp <= 0x038A) return cp + 0x25;
  if (cp >= 0x0400 && cp <= 0x040F) return cp + 0x50;
  for (const auto& [capital, small] : kSingles) {
    if (cp == capital) return small;
  }
  for (const Alternating& range : kAlternating) {
    if (cp >= range.first && cp <= range.last && (cp % 2 == 1) == range.odd_capital) return cp + 1;
  }
  return cp;
}

}  // namespace

std::string UnicodeLower(std::string_view text) {
  const std::u16string wide = Utf8ToUtf16(text);
  std::u16string out;
  out.reserve(wide.size());
  for (const char16_t unit : wide) {
    // Surrogates (characters beyond the basic plane) pass through unchanged.
    out.push_back(static_cast<char16_t>(LowerCodePoint(unit)));
  }
  return Utf16ToUtf8(out);
}

std::vector<std::uint8_t> EncodeRegSz(std::string_view text) {
  const std::u16string wide = Utf8ToUtf16(text);
  std::vector<std::uint8_t> data;
  data.reserve((wide.size() + 1) * 2);
  for (const char16_t unit : wide) {
    data.push_back(static_cast<std::uint8_t>(unit & 0xFFU));
    data.push_back(static_cast<std::uint8_t>(unit >> 8U));
  }
  data.push_back(0);
  data.push_back(0);
  return data;
}

std::string DecodeRegSz(const std::vector<std::uint8_t>& data) {
  std::u16string wide;
  wide.reserve(data.size() / 2);
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8U));
    if (unit == 0) break;
    wide.push_back(unit);
  }
  return Utf16ToUtf8(wide);
}

}  // namespace platform
