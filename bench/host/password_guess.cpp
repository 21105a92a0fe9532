// What one guess at the stored password costs someone who has copied the
// hash (every account can read it) and tries passwords offline on this
// machine: one PBKDF2-HMAC-SHA256 derivation at the count a new hash carries,
// beside the count of the first stored hashes, on one core, over OpenSSL and
// over the program's own derivation (which hashes the HMAC pads once, as a
// guessing tool would).
//   build/host/bench/password_guess
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "config/password.h"
#include "platform/fake/host_crypto.h"
#include "platform/pbkdf2.h"

namespace {

using Derive = std::vector<std::uint8_t> (*)(std::string_view, const std::vector<std::uint8_t>&,
                                             std::uint32_t, std::size_t);

// Milliseconds per derivation at that count, over `rounds` derivations.
double GuessMs(Derive derive, std::uint32_t iterations, int rounds) {
  const std::vector<std::uint8_t> salt(16, 0x5A);
  std::size_t derived = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i)
    derived += derive("guess" + std::to_string(i), salt, iterations, 32).size();
  const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
  return derived == static_cast<std::size_t>(rounds) * 32 ? spent.count() / rounds : -1.0;
}

}  // namespace

int main() {
  const Derive openssl = [](std::string_view password, const std::vector<std::uint8_t>& salt,
                            std::uint32_t iterations, std::size_t length) {
    platform::fake::HostCrypto crypto;
    return crypto.Pbkdf2Sha256(password, salt, iterations, length);
  };
  const Derive own = [](std::string_view password, const std::vector<std::uint8_t>& salt,
                        std::uint32_t iterations, std::size_t length) {
    return platform::Pbkdf2HmacSha256(password, salt, iterations, length);
  };
  for (const auto& [name, derive] : {std::pair{"OpenSSL", openssl}, std::pair{"own", own}}) {
    for (const std::uint32_t iterations : {config::kMinPasswordIterations, config::kPasswordIterations}) {
      const double ms = GuessMs(derive, iterations, iterations > 100000 ? 5 : 40);
      if (ms < 0) return 1;
      std::printf("%-8s %7u iterations: %7.1f ms per guess, %6.1f guesses per second per core\n", name,
                  iterations, ms, 1000.0 / ms);
    }
  }
  return 0;
}
