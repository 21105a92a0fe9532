// How long one unlock takes with the stored hashed password, against the
// plain-text comparison of older configurations and against the same
// derivation done by CNG (what the program used before its own), in one run
// on this machine. Run it under Wine or on Windows:
//   wine build/windows/bin/password_check.exe
#include <windows.h>
#include <bcrypt.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "config/password.h"
#include "platform/win32/win32_crypto.h"
#include "platform/win32/win32_system.h"

int main() {
  platform::win32::Win32Crypto crypto;
  platform::win32::Win32Text text;
  const std::string stored = config::HashPassword(crypto, text, "correct horse");
  constexpr int kRounds = 10;
  const auto time_checks = [&](std::string_view password) {
    const auto start = std::chrono::steady_clock::now();
    int matches = 0;
    for (int i = 0; i < kRounds; ++i)
      matches += config::PasswordMatches(crypto, text, password, "correct horse") ? 1 : 0;
    const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
    return std::make_pair(spent.count() / kRounds, matches);
  };
  const auto [hashed_ms, hashed_ok] = time_checks(stored);
  const auto [plain_ms, plain_ok] = time_checks("correct horse");
  std::printf("iterations: %u\n", config::kPasswordIterations);
  std::printf("hashed check: %.1f ms (%d/%d right)\n", hashed_ms, hashed_ok, kRounds);
  std::printf("plain check:  %.3f ms (%d/%d right)\n", plain_ms, plain_ok, kRounds);
  std::printf("ratio hashed/plain: %.0f\n", plain_ms > 0 ? hashed_ms / plain_ms : 0.0);

  // CNG's derivation of the same length, salt size and iterations.
  BCRYPT_ALG_HANDLE hmac = nullptr;
  ::BCryptOpenAlgorithmProvider(&hmac, BCRYPT_SHA256_ALGORITHM, nullptr, BCRYPT_ALG_HANDLE_HMAC_FLAG);
  std::vector<UCHAR> secret{'c', 'o', 'r', 'r', 'e', 'c', 't'};
  std::vector<UCHAR> salt(16, 0x5a);
  std::vector<UCHAR> key(32);
  const auto cng_start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRounds; ++i) {
    ::BCryptDeriveKeyPBKDF2(hmac, secret.data(), static_cast<ULONG>(secret.size()), salt.data(),
                            static_cast<ULONG>(salt.size()), config::kPasswordIterations, key.data(),
                            static_cast<ULONG>(key.size()), 0);
  }
  const std::chrono::duration<double, std::milli> cng = std::chrono::steady_clock::now() - cng_start;
  ::BCryptCloseAlgorithmProvider(hmac, 0);
  const double cng_ms = cng.count() / kRounds;
  std::printf("CNG's derivation: %.1f ms; own/CNG: %.2f\n", cng_ms, cng_ms > 0 ? hashed_ms / cng_ms : 0.0);
  return hashed_ok == kRounds && plain_ok == kRounds ? 0 : 1;
}
