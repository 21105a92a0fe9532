// The access password at rest. A password set in the program is stored as a
// salted PBKDF2-HMAC-SHA256 hash of its lower-case form, in one lower-case
// text:  pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>
// so that the loader's lower-casing leaves it intact. Any other stored text is
// a plain-text password from an older configuration or an imported file; it
// still works and is compared in lower case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/crypto_service.h"
#include "platform/text_service.h"

namespace config {

// The access password in force while none is stored.
inline constexpr std::string_view kDefaultPassword = "tavrolk";

// The iterations of a new hash: as many as the encrypted files use, so that
// every account, which can read the stored hash, pays most of a second of a
// core for each guess. A check runs off the window thread (engine's
// PasswordCheck), so the watch does not wait for it.
inline constexpr std::uint32_t kPasswordIterations = 600000;
// The iteration counts a stored hash may carry: from the count of the first
// hashes this program stored (they still open, and are replaced by a hash of
// kPasswordIterations when the password is next set) to ten times today's. A
// count outside is not ours: a damaged or planted value must neither make
// every unlock take minutes nor make a guess cheap.
inline constexpr std::uint32_t kMinPasswordIterations = 40000;
inline constexpr std::uint32_t kMaxPasswordIterations = 6000000;

// The stored form of a password (lower-cased here); "" when the derivation
// failed, so the caller keeps the password it had.
std::string HashPassword(platform::CryptoService& crypto, platform::TextService& text,
                         std::string_view password);

// Whether a stored text is in the hashed form (and well formed).
bool IsHashedPassword(std::string_view stored);

// Whether the typed text (lower-cased here) is the password in force. Takes
// the same time whatever is typed. An empty stored text is never matched. A
// hash stored before every letter was lower-cased (only A to Z were) still
// opens with the password typed as it was set.
bool PasswordMatches(platform::CryptoService& crypto, platform::TextService& text, std::string_view stored,
                     std::string_view typed);

}  // namespace config
