// PBKDF2-HMAC-SHA256, computed here rather than by the system: a password
// check runs 600,000 iterations, and the system's derivation (Wine's above
// all) starts each iteration's HMAC from the key again. Here the key's inner
// and outer pads are hashed once per derivation, so an iteration costs two
// SHA-256 blocks and nothing else.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace platform {

// The derived key of length bytes; empty for zero iterations or a zero
// length. The password is taken as its bytes (UTF-8).
std::vector<std::uint8_t> Pbkdf2HmacSha256(std::string_view password, std::span<const std::uint8_t> salt,
                                           std::uint32_t iterations, std::size_t length);

}  // namespace platform
