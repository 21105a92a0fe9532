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

// Keeps one check well under a tenth of a second.
inline constexpr std::uint32_t kPasswordIterations = 40000;

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

// Whether the password in force is the default one (plain or hashed).
bool IsDefaultPassword(platform::CryptoService& crypto, platform::TextService& text, std::string_view stored);

}  // namespace config
