// PBKDF2-HMAC-SHA256 over a SHA-256 of its own (FIPS 180-4, RFC 2104,
// RFC 8018).
#include "platform/pbkdf2.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace platform {
namespace {

constexpr std::size_t kBlockSize = 64;
constexpr std::size_t kDigestSize = 32;
using State = std::array<std::uint32_t, 8>;
using Block = std::array<std::uint8_t, kBlockSize>;
using Digest = std::array<std::uint8_t, kDigestSize>;

constexpr State kInitialState = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

constexpr std::array<std::uint32_t, 64> kRoundConstants = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::uint32_t Rotr(std::uint32_t x, int n) {
  return (x >> n) | (x << (32 - n));
}

std::uint32_t LoadBigEndian(const std::uint8_t* bytes) {
  return (std::uint32_t{bytes[0]} << 24U) | (std::uint32_t{bytes[1]} << 16U) |
         (std::uint32_t{bytes[2]} << 8U) | std::uint32_t{bytes[3]};
}

void StoreBigEndian(std::uint32_t value, std::uint8_t* bytes) {
  bytes[0] = static_cast<std::uint8_t>(value >> 24U);
  bytes[1] = static_cast<std::uint8_t>(value >> 16U);
  bytes[2] = static_cast<std::uint8_t>(value >> 8U);
  bytes[3] = static_cast<std::uint8_t>(value);
}

void Compress(State& state, const std::uint8_t* block) {
  std::array<std::uint32_t, 64> w{};
  for (std::size_t i = 0; i < 16; ++i) w[i] = LoadBigEndian(block + 4 * i);
  for (std::size_t i = 16; i < 64; ++i) {
    const std::uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3U);
    const std::uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10U);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  std::uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
  for (std::size_t i = 0; i < 64; ++i) {
    const std::uint32_t t1 =
        h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRoundConstants[i] + w[i];
    const std::uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
    h = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + t2;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
  state[4] += e;
  state[5] += f;
  state[6] += g;
  state[7] += h;
}

// SHA-256 over data given in pieces, from a state that may already have
// taken whole blocks (a pad).
class Sha256 {
 public:
  explicit Sha256(const State& state = kInitialState, std::uint64_t taken = 0)
      : state_(state), taken_(taken) {}

  void Add(std::span<const std::uint8_t> data) {
    for (const std::uint8_t byte : data) {
      buffer_[taken_ % kBlockSize] = byte;
      if (++taken_ % kBlockSize == 0) Compress(state_, buffer_.data());
    }
  }

  Digest Finish() {
    const std::uint64_t bits = taken_ * 8;
    static constexpr std::uint8_t kMark = 0x80;
    static constexpr std::array<std::uint8_t, kBlockSize> kZeros{};
    Add({&kMark, 1});
    const std::size_t used = taken_ % kBlockSize;
    Add(std::span(kZeros).first(used <= 56 ? 56 - used : kBlockSize + 56 - used));
    std::array<std::uint8_t, 8> length{};
    for (std::size_t i = 0; i < 8; ++i) length[i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
    Add(length);
    Digest digest{};
    for (std::size_t i = 0; i < 8; ++i) StoreBigEndian(state_[i], digest.data() + 4 * i);
    return digest;
  }

  [[nodiscard]] const State& state() const { return state_; }

 private:
  State state_;
  std::uint64_t taken_;
  Block buffer_{};
};

// HMAC-SHA256 under one key: the states after the inner and the outer pad
// are kept, so each message costs only its own blocks.
class Hmac {
 public:
  explicit Hmac(std::string_view key) {
    Block padded{};
    if (key.size() > kBlockSize) {
      Sha256 hash;
      hash.Add({reinterpret_cast<const std::uint8_t*>(key.data()), key.size()});
      const Digest digest = hash.Finish();
      std::copy(digest.begin(), digest.end(), padded.begin());
    } else {
      std::copy(key.begin(), key.end(), padded.begin());
    }
    Block pad{};
    for (std::size_t i = 0; i < kBlockSize; ++i) pad[i] = static_cast<std::uint8_t>(padded[i] ^ 0x36U);
    inner_ = kInitialState;
    Compress(inner_, pad.data());
    for (std::size_t i = 0; i < kBlockSize; ++i) pad[i] = static_cast<std::uint8_t>(padded[i] ^ 0x5cU);
    outer_ = kInitialState;
    Compress(outer_, pad.data());
  }

  // Any message, in pieces.
  [[nodiscard]] Sha256 Start() const { return Sha256(inner_, kBlockSize); }
  [[nodiscard]] Digest Finish(Sha256& inner) const {
    const Digest inner_digest = inner.Finish();
    Sha256 outer(outer_, kBlockSize);
    outer.Add(inner_digest);
    return outer.Finish();
  }

  // A message of one digest, the iterations' case: one prepared block each
  // for the inner and the outer hash, whose padding never changes.
  void OfDigest(Digest& digest) const {
    static const Block kPadded = [] {
      Block block{};
      block[kDigestSize] = 0x80;
      // (pad block + digest) * 8 = 768 bits.
      block[kBlockSize - 2] = 0x03;
      return block;
    }();
    Block block = kPadded;
    std::copy(digest.begin(), digest.end(), block.begin());
    State inner = inner_;
    Compress(inner, block.data());
    for (std::size_t i = 0; i < 8; ++i) StoreBigEndian(inner[i], block.data() + 4 * i);
    State outer = outer_;
    Compress(outer, block.data());
    for (std::size_t i = 0; i < 8; ++i) StoreBigEndian(outer[i], digest.data() + 4 * i);
  }

 private:
  State inner_{};
  State outer_{};
};

}  // namespace

std::vector<std::uint8_t> Pbkdf2HmacSha256(std::string_view password, std::span<const std::uint8_t> salt,
                                           std::uint32_t iterations, std::size_t length) {
  if (iterations == 0 || length == 0) return {};
  const Hmac hmac(password);
  std::vector<std::uint8_t> out;
  out.reserve(length);
  for (std::uint32_t index = 1; out.size() < length; ++index) {
    Sha256 first = hmac.Start();
    first.Add(salt);
    std::array<std::uint8_t, 4> counter{};
    StoreBigEndian(index, counter.data());
    first.Add(counter);
    Digest u = hmac.Finish(first);
    Digest t = u;
    for (std::uint32_t i = 1; i < iterations; ++i) {
      hmac.OfDigest(u);
      for (std::size_t k = 0; k < kDigestSize; ++k) t[k] ^= u[k];
    }
    const std::size_t take = std::min(kDigestSize, length - out.size());
    out.insert(out.end(), t.begin(), t.begin() + static_cast<std::ptrdiff_t>(take));
  }
  return out;
}

}  // namespace platform
