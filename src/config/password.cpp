// The access password at rest: hashing, recognising and checking.
#include "config/password.h"

#include <charconv>
#include <vector>

#include "platform/text.h"

namespace config {
namespace {

constexpr std::string_view kScheme = "pbkdf2-sha256";
constexpr std::size_t kSaltBytes = 16;
constexpr std::size_t kHashBytes = 32;

struct Parsed {
  std::uint32_t iterations = 0;
  std::vector<std::uint8_t> salt;
  std::vector<std::uint8_t> hash;
};

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const std::uint8_t byte : bytes) {
    out.push_back(kDigits[byte >> 4U]);
    out.push_back(kDigits[byte & 0xFU]);
  }
  return out;
}

bool FromHex(std::string_view text, std::vector<std::uint8_t>& out) {
  if (text.empty() || text.size() % 2 != 0) return false;
  out.clear();
  for (std::size_t i = 0; i < text.size(); i += 2) {
    unsigned value = 0;
    const auto result = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
    if (result.ec != std::errc() || result.ptr != text.data() + i + 2) return false;
    // from_chars accepts upper-case digits; the stored form is lower case.
    if (text[i] >= 'A' && text[i] <= 'F') return false;
    if (text[i + 1] >= 'A' && text[i + 1] <= 'F') return false;
    out.push_back(static_cast<std::uint8_t>(value));
  }
  return true;
}

bool Parse(std::string_view stored, Parsed& parsed) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = stored.find('$', start);
    parts.push_back(
        stored.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  if (parts.size() != 4 || parts[0] != kScheme) return false;
  const auto result = std::from_chars(parts[1].data(), parts[1].data() + parts[1].size(), parsed.iterations);
  if (result.ec != std::errc() || result.ptr != parts[1].data() + parts[1].size()) return false;
  if (parsed.iterations < kMinPasswordIterations || parsed.iterations > kMaxPasswordIterations) return false;
  return FromHex(parts[2], parsed.salt) && FromHex(parts[3], parsed.hash) && parsed.hash.size() == kHashBytes;
}

// Equal in content, in a time that depends on the lengths only.
bool ConstantTimeEqual(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  unsigned diff = a.size() == b.size() ? 0U : 1U;
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) diff |= static_cast<unsigned>(a[i] ^ b[i]);
  return diff == 0;
}

}  // namespace

std::string HashPassword(platform::CryptoService& crypto, platform::TextService& text,
                         std::string_view password) {
  const std::vector<std::uint8_t> salt = crypto.RandomBytes(kSaltBytes);
  if (salt.size() != kSaltBytes) return {};
  const std::vector<std::uint8_t> hash =
      crypto.Pbkdf2Sha256(text.LowerCase(password), salt, kPasswordIterations, kHashBytes);
  if (hash.size() != kHashBytes) return {};
  return std::string(kScheme) + "$" + std::to_string(kPasswordIterations) + "$" + Hex(salt) + "$" + Hex(hash);
}

bool IsHashedPassword(std::string_view stored) {
  Parsed parsed;
  return Parse(stored, parsed);
}

bool PasswordMatches(platform::CryptoService& crypto, platform::TextService& text, std::string_view stored,
                     std::string_view typed) {
  const std::string lower = text.LowerCase(typed);
  Parsed parsed;
  if (Parse(stored, parsed)) {
    const auto matches = [&](const std::string& candidate) {
      const auto derived = crypto.Pbkdf2Sha256(candidate, parsed.salt, parsed.iterations, kHashBytes);
      return derived.size() == kHashBytes && ConstantTimeEqual(derived, parsed.hash);
    };
    if (matches(lower)) return true;
    // Hashes made when only A to Z were folded.
    const std::string ascii_lower = platform::AsciiLower(typed);
    return ascii_lower != lower && matches(ascii_lower);
  }
  if (stored.empty()) return false;
  // A plain-text password: compare digests, so the time does not tell how
  // much of the typed text was right.
  const std::vector<std::uint8_t> pepper{'k', 's', 'v'};
  const auto want = crypto.Pbkdf2Sha256(text.LowerCase(stored), pepper, 1, kHashBytes);
  const auto got = crypto.Pbkdf2Sha256(lower, pepper, 1, kHashBytes);
  return want.size() == kHashBytes && ConstantTimeEqual(want, got);
}

}  // namespace config
