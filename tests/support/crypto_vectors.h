// Known answers every crypto backend must give byte for byte (CNG in the
// Windows build, OpenSSL in the host build), so a password hash stored by one
// build verifies in the other. Plain data, no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

struct Pbkdf2Vector {
  std::string_view password;  // UTF-8 bytes
  std::string_view salt;      // raw bytes
  std::uint32_t iterations;
  std::size_t length;
  std::string_view key_hex;  // "" when the derivation must be refused
};

inline constexpr Pbkdf2Vector kPbkdf2Sha256Vectors[] = {
    // RFC 7914, section 11.
    {"passwd", "salt", 1, 64,
     "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
     "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783"},
    {"Password", "NaCl", 80000, 64,
     "4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56"
     "a1d425a1225833549adb841b51c9b3176a272bdebba1d078478f62b397f33c8d"},
    // An empty password (a blank access password is allowed); an output that
    // is not a whole number of hash blocks, with no salt; a password taken as
    // its UTF-8 bytes ("пароль 密码") with salt 00..0f.
    {"", "salt", 2, 32, "62384466264daadc4144018c6bd864648272b34da8980d31521ffcce92ae003b"},
    {"pw", "", 3, 20, "72508a5bfcf14df34dcfcfd2a123ace17fbca71e"},
    {"\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C \xE5\xAF\x86\xE7\xA0\x81",
     {"\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f", 16},
     1000,
     32,
     "9493be43abbbbc51a074aa7ef014b6aaf65d79d4404f53d4fd7ffd5be15f1fa4"},
    // Zero iterations is no derivation.
    {"passwd", "salt", 0, 32, ""},
};

inline std::vector<std::uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

inline std::string Hex(const std::vector<std::uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (const std::uint8_t byte : bytes) text += {kDigits[byte >> 4], kDigits[byte & 0xF]};
  return text;
}

}  // namespace testing_support
