// UTF-8 <-> UTF-16 conversion, for texts that cross into Windows (titles,
// registry strings). Invalid input is replaced with U+FFFD, never rejected.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// The first max_units UTF-16 code units of a UTF-8 text, never splitting a
// surrogate pair (how Windows cuts a title to a buffer).
std::string TruncateUtf16Units(std::string_view text, std::size_t max_units);

// The text with A to Z in lower case and every other character as it was,
// as the program folds passwords and as the fakes fold names.
std::string AsciiLower(std::string_view text);

// The text with its letters in lower case by the simple one-to-one mappings
// of Latin (Basic, Latin-1, Extended-A and Additional), Greek and Cyrillic,
// as Windows folds them in the invariant locale; every other character as it
// was. The host build's folding for passwords.
std::string UnicodeLower(std::string_view text);

// A text as the data of a REG_SZ value: UTF-16LE with a terminating NUL.
std::vector<std::uint8_t> EncodeRegSz(std::string_view text);
// The data of a REG_SZ value as text: up to its first NUL, or all of it when
// it holds none (other tools store strings without the NUL). A trailing odd
// byte is not a character and is dropped.
std::string DecodeRegSz(const std::vector<std::uint8_t>& data);

}  // namespace platform
