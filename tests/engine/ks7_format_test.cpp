// The .ks7 format on its own, over OpenSSL and files in memory: the
// known-answer vectors, sizes, round trips, every kind of tampering, abort,
// and a file past 4 GiB (with a stand-in cipher, so no gigabytes are moved).
#include "engine/ks7_format.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/fake/host_crypto.h"
#include "support/ks7_vectors.h"

namespace {

using engine::ks7::Result;
using ks7_test::Bytes;
using ks7_test::MemoryReader;
using ks7_test::MemoryWriter;
namespace ks7 = engine::ks7;

class Ks7FormatTest : public ::testing::Test {
 protected:
  ks7::MasterKey Master() {
    ks7::MasterKey master;
    master.key = ks7::DeriveMasterKey(crypto, "pw", master.salt, master.iterations);
    return master;
  }
  Bytes Encrypted(const Bytes& plain, std::size_t step = 1000000) {
    MemoryReader source(plain, std::nullopt, step);
    MemoryWriter out;
    EXPECT_EQ(ks7::Encrypt(crypto, Master(), source, out), Result::kSuccess);
    return out.written;
  }
  // Opens and decrypts with `password`; the plaintext goes to `plain`.
  Result Decrypted(const Bytes& file, Bytes* plain = nullptr, std::string_view password = "pw",
                   const ks7::Progress& progress = {}) {
    MemoryReader source(file, std::nullopt, 4097);
    ks7::Decryptor decryptor(crypto, source);
    ks7::Secret key;
    const Result opened = decryptor.Open([&](std::span<const std::uint8_t> salt, std::uint32_t iterations) {
      key = ks7::DeriveMasterKey(crypto, password, salt, iterations);
      return &key;
    });
    if (opened != Result::kSuccess) return opened;
    MemoryWriter out;
    const Result result = decryptor.DecryptTo(out, progress);
    if (plain != nullptr) *plain = out.written;
    return result;
  }

  platform::fake::HostCrypto host;
  ks7_test::TestCrypto crypto{host};
};

TEST(Ks7VectorsTest, OpenSslGivesTheKnownAnswers) {
  platform::fake::HostCrypto host;
  ks7_test::CheckKs7Vectors(host);
}

TEST_F(Ks7FormatTest, SizesOfFilesAndTheirPlaintexts) {
  const std::uint64_t gib = std::uint64_t{1} << 30;
  const std::uint64_t most = std::uint64_t{1} << 48;  // 2^32 chunks
  const std::pair<std::uint64_t, std::uint64_t> sizes[] = {
      {0, 96},
      {1, 97},
      {65536, 80 + 65536 + 16},
      {65537, 80 + 65537 + 32},
      {5 * gib, 80 + 5 * gib + 16 * std::uint64_t{81920}},
      {most, 80 + most + 16 * (most >> 16)}};
  for (const auto& [plain, file] : sizes) {
    EXPECT_EQ(ks7::EncryptedSize(plain), file) << plain;
    EXPECT_EQ(ks7::PlaintextSize(file), plain) << file;
  }
  // No plaintext encrypts to these: too short, a final chunk without its
  // whole tag, an empty final chunk after a full one, more than 2^32 chunks.
  for (const std::uint64_t file : {std::uint64_t{95}, std::uint64_t{80 + 65552 + 15},
                                   std::uint64_t{80 + 65552 + 16}, ks7::EncryptedSize(most) + 17}) {
    EXPECT_FALSE(ks7::PlaintextSize(file).has_value()) << file;
  }
}

TEST_F(Ks7FormatTest, RoundTripsAtChunkBoundaries) {
  for (const std::size_t size :
       {0UL, 1UL, 65535UL, 65536UL, 65537UL, 16UL * 65536UL, 3UL * 1048576UL + 5UL}) {
    const Bytes plain = ks7_test::PatternBytes(size);
    // A reader that hands out a few bytes at a time is read to full chunks.
    const Bytes file = Encrypted(plain, 777);
    EXPECT_EQ(file.size(), ks7::EncryptedSize(size)) << size;
    Bytes back;
    EXPECT_EQ(Decrypted(file, &back), Result::kSuccess) << size;
    EXPECT_EQ(back, plain) << size;
  }
  EXPECT_NE(Encrypted(Bytes(10, 1)), Encrypted(Bytes(10, 1))) << "a new file id for every file";
}

TEST_F(Ks7FormatTest, EveryTamperingIsReportedWithItsResult) {
  // Three chunks: 64 KiB, 64 KiB, 100 bytes.
  const Bytes file = Encrypted(ks7_test::PatternBytes(2 * 65536 + 100));
  const Bytes other = Encrypted(ks7_test::PatternBytes(2 * 65536 + 100));  // same key, another file id
  const std::ptrdiff_t chunk1 = 80 + 65552;
  const auto flip = [](std::size_t at) { return [at](Bytes& bytes) { bytes[at] ^= 0x01; }; };
  const struct {
    const char* name;
    std::function<void(Bytes&)> edit;
    Result expected;
  } cases[] = {
      {"magic", flip(3), Result::kNotKs7},
      {"nothing but text", [](Bytes& b) { b = ks7_test::ToBytes("hello"); }, Result::kNotKs7},
      {"an empty file", [](Bytes& b) { b.clear(); }, Result::kNotKs7},
      {"version", flip(8), Result::kUnsupported},
      {"cipher id", flip(10), Result::kUnsupported},
      {"chunk size", flip(11), Result::kUnsupported},
      {"iterations out of range", [](Bytes& b) { b[12] = 0xFF; }, Result::kUnsupported},
      {"header only", [](Bytes& b) { b.resize(80); }, Result::kDamaged},
      {"header cut short", [](Bytes& b) { b.resize(40); }, Result::kDamaged},
      {"iterations in range", flip(15), Result::kWrongPassword},
      {"salt", flip(20), Result::kWrongPassword},
      {"file id", flip(40), Result::kWrongPassword},
      {"header MAC", flip(60), Result::kWrongPassword},
      {"first chunk", flip(100), Result::kDamaged},
      {"a tag", flip(chunk1 - 1), Result::kDamaged},
      {"last chunk", flip(file.size() - 20), Result::kDamaged},
      {"truncated at a chunk boundary", [&](Bytes& b) { b.resize(80 + 2 * 65552); }, Result::kDamaged},
      {"truncated inside a chunk", [](Bytes& b) { b.resize(b.size() - 50); }, Result::kDamaged},
      {"one byte appended", [](Bytes& b) { b.push_back(0); }, Result::kDamaged},
      {"a chunk appended", [&](Bytes& b) { b.insert(b.end(), file.begin() + 80, file.begin() + chunk1); },
       Result::kDamaged},
      {"chunks swapped",
       [&](Bytes& b) { std::swap_ranges(b.begin() + 80, b.begin() + chunk1, b.begin() + chunk1); },
       Result::kDamaged},
      {"a chunk of another file",
       [&](Bytes& b) {
         std::copy(other.begin() + chunk1, other.begin() + 2 * chunk1 - 80, b.begin() + chunk1);
       },
       Result::kDamaged},
  };
  for (const auto& tamper : cases) {
    Bytes edited = file;
    tamper.edit(edited);
    EXPECT_EQ(Decrypted(edited), tamper.expected) << tamper.name;
  }
  EXPECT_EQ(Decrypted(file, nullptr, "PW"), Result::kWrongPassword) << "the password is taken as given";
  EXPECT_EQ(Decrypted(file), Result::kSuccess) << "the untouched file";
}

TEST_F(Ks7FormatTest, AbortStopsBeforeTheNextChunkAndAChangingSourceIsRefused) {
  const Bytes plain = ks7_test::PatternBytes(std::size_t{40} * 65536);
  int asked = 0;
  const ks7::Progress stop_at_five{[&] { return ++asked == 5; }, nullptr};
  EXPECT_EQ(Decrypted(Encrypted(plain), nullptr, "pw", stop_at_five), Result::kAborted);
  EXPECT_EQ(asked, 5) << "asked before each chunk, and not after it said stop";
  // A source that turns out shorter or longer than its size said.
  for (const std::uint64_t claimed : {plain.size() - 1, plain.size() + 1, plain.size() * 2}) {
    MemoryReader source(plain, claimed);
    MemoryWriter out;
    EXPECT_EQ(ks7::Encrypt(crypto, Master(), source, out), Result::kSourceUnreadable) << claimed;
  }
}

// ---- Past 4 GiB ---------------------------------------------------------------------

// A cipher that moves no bytes: its tag is the nonce, so the chunk numbers
// and last flags of a 5 GiB file can be checked in milliseconds.
class NonceTagCrypto : public ks7_test::TestCrypto {
 public:
  using TestCrypto::TestCrypto;
  struct Key : platform::AesGcmKey {
    explicit Key(std::vector<Bytes>& seen) : nonces(seen) {}
    bool Seal(std::span<const std::uint8_t, kNonceSize> nonce, std::span<const std::uint8_t>,
              std::span<std::uint8_t>, std::span<std::uint8_t, kTagSize>) override {
      nonces.emplace_back(nonce.begin(), nonce.end());
      return true;
    }
    Opened Open(std::span<const std::uint8_t, kNonceSize>, std::span<const std::uint8_t>,
                std::span<const std::uint8_t, kTagSize>, std::span<std::uint8_t>) override {
      return Opened::kFailed;
    }
    std::vector<Bytes>& nonces;
  };
  std::unique_ptr<platform::AesGcmKey> AesGcm(std::span<const std::uint8_t>) override {
    return std::make_unique<Key>(nonces);
  }
  std::vector<Bytes> nonces;
};

// Claims a size and hands out buffers as they are, writing no bytes.
class HugeReader : public platform::FileReader {
 public:
  explicit HugeReader(std::uint64_t size) : size_(size) {}
  [[nodiscard]] std::uint64_t Size() const override { return size_; }
  std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) override {
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size_ - position_));
    position_ += count;
    return count;
  }

 private:
  std::uint64_t size_;
  std::uint64_t position_ = 0;
};

class CountingWriter : public platform::FileWriter {
 public:
  bool Write(std::span<const std::uint8_t> bytes) override {
    written += bytes.size();
    return true;
  }
  Committed Commit() override { return Committed::kDone; }
  std::uint64_t written = 0;
};

TEST(Ks7HugeFileTest, AFileOfFiveGiBHasItsChunkNumbersSizeAndProgress) {
  const std::uint64_t size = (std::uint64_t{5} << 30) + 65536 + 7;
  platform::fake::HostCrypto host;
  NonceTagCrypto crypto(host);
  ks7::MasterKey master;
  master.key = ks7::DeriveMasterKey(crypto, "pw", master.salt, master.iterations);
  std::uint64_t last_done = 0;
  bool rising = true;
  const ks7::Progress progress{nullptr, [&](std::uint64_t done, std::uint64_t total) {
                                 rising = rising && done > last_done && total == size;
                                 last_done = done;
                               }};
  HugeReader source(size);
  CountingWriter out;
  ASSERT_EQ(ks7::Encrypt(crypto, master, source, out, progress), Result::kSuccess);
  EXPECT_EQ(out.written, ks7::EncryptedSize(size));
  EXPECT_TRUE(rising);
  EXPECT_EQ(last_done, size);
  ASSERT_EQ(crypto.nonces.size(), size / 65536 + 1);
  // Chunk 65536 starts at 4 GiB: its number is 00 01 00 00, not 0; only
  // the last chunk carries the flag.
  EXPECT_EQ(ks7_test::Hex(std::span(crypto.nonces[65535]).subspan(7)), "0000ffff00");
  EXPECT_EQ(ks7_test::Hex(std::span(crypto.nonces[65536]).subspan(7)), "0001000000");
  EXPECT_EQ(ks7_test::Hex(std::span(crypto.nonces.back()).subspan(7)), "0001400101");
  // Percents of it, in whole numbers, 100 left for the file in place.
  const std::uint64_t four_gib = std::uint64_t{4} << 30;
  EXPECT_EQ(ks7::PercentDone(four_gib, 5 * (four_gib / 4)), 80);
  EXPECT_EQ(ks7::PercentDone(size - 1, size), 99);
  EXPECT_EQ(ks7::PercentDone(size, size), 99);
  EXPECT_EQ(ks7::PercentDone(0, 0), 0);
}

}  // namespace
