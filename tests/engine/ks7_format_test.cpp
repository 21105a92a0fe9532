// The .ks7 format on its own, over OpenSSL and files in memory: the
// known-answer vectors, sizes, round trips, every kind of tampering, abort,
// and files past 4 GiB (with a stand-in cipher, so no gigabytes are moved).
#include "engine/ks7_format.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/fake/host_crypto.h"
#include "support/ks7_test_support.h"

namespace {

using engine::ks7::Result;
using ks7_test::Bytes;
using ks7_test::MemoryReader;
using ks7_test::MemoryWriter;
namespace ks7 = engine::ks7;

// OpenSSL with a one-round key derivation, whatever the header asks for:
// the format is the same, the tests fast.
class FastKdf : public ks7_test::FixedFileId {
 public:
  FastKdf() : FixedFileId(real_) {}
  std::vector<std::uint8_t> Pbkdf2Sha256(std::string_view password, const std::vector<std::uint8_t>& salt,
                                         std::uint32_t /*iterations*/, std::size_t length) override {
    ++derivations;
    return real_.Pbkdf2Sha256(password, salt, 1, length);
  }
  std::vector<std::uint8_t> RandomBytes(std::size_t count) override { return real_.RandomBytes(count); }
  int derivations = 0;

 private:
  platform::fake::HostCrypto real_;
};

class Ks7FormatTest : public ::testing::Test {
 protected:
  ks7::MasterKey Master(std::string_view password, Bytes salt = ks7_test::VectorSalt()) {
    ks7::MasterKey master;
    std::copy(salt.begin(), salt.end(), master.salt.begin());
    master.key = ks7::DeriveMasterKey(crypto, password, master.salt, master.iterations);
    return master;
  }
  Bytes Encrypted(const Bytes& plain, std::string_view password = "pw", std::size_t step = 1000000) {
    MemoryReader source(plain, std::nullopt, step);
    MemoryWriter out;
    EXPECT_EQ(ks7::Encrypt(crypto, Master(password), source, out), Result::kSuccess);
    return out.written;
  }
  // Opens and decrypts; the plaintext goes to `plain`.
  Result Decrypted(const Bytes& file, Bytes* plain = nullptr, std::string_view password = "pw") {
    MemoryReader source(file, std::nullopt, 4097);
    ks7::Decryptor decryptor(crypto, source);
    ks7::Secret key;
    const Result opened = decryptor.Open([&](std::span<const std::uint8_t> salt, std::uint32_t iterations) {
      key = ks7::DeriveMasterKey(crypto, password, salt, iterations);
      return &key;
    });
    if (opened != Result::kSuccess) return opened;
    MemoryWriter out;
    const Result result = decryptor.DecryptTo(out);
    if (plain != nullptr) *plain = out.written;
    return result;
  }

  FastKdf crypto;
};

TEST(Ks7VectorsTest, HostPrimitivesMatchPublishedVectors) {
  platform::fake::HostCrypto crypto;
  for (const auto& v : ks7_test::kHmacVectors) {
    EXPECT_EQ(ks7_test::Hex(crypto.HmacSha256(ks7_test::FromHex(v.key_hex), ks7_test::ToBytes(v.data))),
              v.mac_hex);
  }
  const auto key = crypto.AesGcm(Bytes(32, 0));
  ASSERT_NE(key, nullptr);
  const std::array<std::uint8_t, 12> nonce{};
  for (const auto& v : ks7_test::kGcmVectors) {
    const Bytes plain = ks7_test::FromHex(v.plaintext_hex);
    Bytes sealed(plain.size() + 16);
    ASSERT_TRUE(key->Seal(nonce, plain, std::span(sealed).first(plain.size()),
                          std::span(sealed).subspan(plain.size()).first<16>()));
    EXPECT_EQ(ks7_test::Hex(sealed), v.ciphertext_and_tag_hex);
    Bytes opened(plain.size());
    EXPECT_EQ(key->Open(nonce, std::span(sealed).first(plain.size()),
                        std::span<const std::uint8_t>(sealed).subspan(plain.size()).first<16>(), opened),
              platform::AesGcmKey::Opened::kOk);
    EXPECT_EQ(opened, plain);
  }
  EXPECT_EQ(crypto.AesGcm(Bytes(16, 0)), nullptr) << "AES-256 only";
}

// The writer, with the real 600,000 iterations, gives exactly the vectors'
// bytes, and the reader opens them.
TEST(Ks7VectorsTest, WriterMakesTheVectorsAndReaderOpensThem) {
  platform::fake::HostCrypto host;
  ks7_test::FixedFileId crypto(host);
  ks7::MasterKey master;
  const Bytes salt = ks7_test::VectorSalt();
  std::copy(salt.begin(), salt.end(), master.salt.begin());
  master.key = ks7::DeriveMasterKey(crypto, ks7_test::kVectorPassword, salt, ks7::kIterations);
  for (const auto& vector : ks7_test::FileVectors()) {
    MemoryReader source(vector.plaintext);
    MemoryWriter out;
    ASSERT_EQ(ks7::Encrypt(crypto, master, source, out), Result::kSuccess) << vector.name;
    if (!vector.file_hex.empty()) {
      EXPECT_EQ(ks7_test::Hex(out.written), vector.file_hex) << vector.name;
    } else {
      EXPECT_EQ(ks7_test::Hex(host.HmacSha256(ks7_test::ToBytes("ks7 vector digest"), out.written)),
                vector.digest)
          << vector.name;
    }
    MemoryReader encrypted(out.written);
    ks7::Decryptor decryptor(crypto, encrypted);
    ASSERT_EQ(decryptor.Open([&](auto, std::uint32_t) { return &master.key; }), Result::kSuccess)
        << vector.name;
    MemoryWriter plain;
    EXPECT_EQ(decryptor.DecryptTo(plain), Result::kSuccess) << vector.name;
    EXPECT_EQ(plain.written, vector.plaintext) << vector.name;
  }
}

TEST_F(Ks7FormatTest, SizesOfFilesAndTheirPlaintexts) {
  const std::uint64_t gib = std::uint64_t{1} << 30;
  const struct {
    std::uint64_t plain;
    std::uint64_t file;
  } sizes[] = {{0, 96},
               {1, 97},
               {65536, 80 + 65536 + 16},
               {65537, 80 + 65537 + 32},
               {5 * gib, 80 + 5 * gib + 16 * std::uint64_t{81920}},
               {(std::uint64_t{1} << 48), 80 + (std::uint64_t{1} << 48) + 16 * (std::uint64_t{1} << 32)}};
  for (const auto& size : sizes) {
    EXPECT_EQ(ks7::EncryptedSize(size.plain), size.file) << size.plain;
    EXPECT_EQ(ks7::PlaintextSize(size.file), size.plain) << size.file;
  }
  // No plaintext encrypts to these: too short, a final chunk without its
  // tag, an empty final chunk after a full one, more than 2^32 chunks.
  for (const std::uint64_t file :
       {std::uint64_t{0}, std::uint64_t{95}, std::uint64_t{80 + 65552 + 15}, std::uint64_t{80 + 65552 + 16},
        ks7::EncryptedSize(std::uint64_t{1} << 48) + 17}) {
    EXPECT_FALSE(ks7::PlaintextSize(file).has_value()) << file;
  }
}

TEST_F(Ks7FormatTest, RoundTripsAtChunkBoundaries) {
  for (const std::size_t size :
       {0UL, 1UL, 65535UL, 65536UL, 65537UL, 16UL * 65536UL, 3UL * 1048576UL + 5UL}) {
    const Bytes plain = ks7_test::PatternBytes(size);
    // Reads that return a few bytes at a time are read to the full chunk.
    const Bytes file = Encrypted(plain, "pw", 777);
    EXPECT_EQ(file.size(), ks7::EncryptedSize(size)) << size;
    Bytes back;
    EXPECT_EQ(Decrypted(file, &back), Result::kSuccess) << size;
    EXPECT_EQ(back, plain) << size;
  }
  EXPECT_NE(Encrypted(Bytes(10, 1)), Encrypted(Bytes(10, 1))) << "a new file id for every file";
}

TEST_F(Ks7FormatTest, EveryTamperingIsReportedWithItsResult) {
  // Three chunks: 64 KiB, 64 KiB, 100 bytes.
  const Bytes plain = ks7_test::PatternBytes(2 * 65536 + 100);
  const Bytes file = Encrypted(plain);
  const Bytes other = Encrypted(plain);  // same password and salt, another file id
  const std::size_t chunk1 = 80 + 65552;
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
       [&](Bytes& b) {
         std::swap_ranges(b.begin() + 80, b.begin() + static_cast<std::ptrdiff_t>(chunk1),
                          b.begin() + static_cast<std::ptrdiff_t>(chunk1));
       },
       Result::kDamaged},
      {"a chunk of another file",
       [&](Bytes& b) {
         std::copy(other.begin() + static_cast<std::ptrdiff_t>(chunk1),
                   other.begin() + static_cast<std::ptrdiff_t>(2 * chunk1 - 80),
                   b.begin() + static_cast<std::ptrdiff_t>(chunk1));
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

TEST_F(Ks7FormatTest, AbortStopsBeforeTheNextChunkBothWays) {
  const Bytes plain = ks7_test::PatternBytes(std::size_t{40} * 65536);
  const Bytes file = Encrypted(plain);
  for (const bool decrypting : {false, true}) {
    int asked = 0;
    const ks7::Progress stop_at_five{[&] { return ++asked == 5; }, nullptr};
    MemoryReader source(decrypting ? file : plain);
    MemoryWriter out;
    Result result = Result::kSuccess;
    if (decrypting) {
      ks7::Decryptor decryptor(crypto, source);
      ks7::Secret key;
      ASSERT_EQ(decryptor.Open([&](auto salt, std::uint32_t iterations) {
        key = ks7::DeriveMasterKey(crypto, "pw", salt, iterations);
        return &key;
      }),
                Result::kSuccess);
      result = decryptor.DecryptTo(out, stop_at_five);
    } else {
      result = ks7::Encrypt(crypto, Master("pw"), source, out, stop_at_five);
    }
    EXPECT_EQ(result, Result::kAborted) << decrypting;
    EXPECT_EQ(asked, 5) << "asked before each chunk, and not after it said stop";
  }
}

TEST_F(Ks7FormatTest, ASourceThatChangesWhileReadIsNotTakenAsComplete) {
  const Bytes plain = ks7_test::PatternBytes(70000);
  for (const std::uint64_t claimed : {69999UL, 70001UL, 200000UL}) {
    MemoryReader source(plain, claimed);
    MemoryWriter out;
    EXPECT_EQ(ks7::Encrypt(crypto, Master("pw"), source, out), Result::kSourceUnreadable) << claimed;
  }
  // An encrypted file that grows or shrinks after its size was taken.
  const Bytes file = Encrypted(plain);
  for (const bool grows : {false, true}) {
    Bytes changed = file;
    if (grows) {
      changed.push_back(0);
    } else {
      changed.resize(changed.size() - 1);
    }
    MemoryReader source(changed, file.size());
    ks7::Decryptor decryptor(crypto, source);
    ks7::Secret key = ks7::DeriveMasterKey(crypto, "pw", ks7_test::VectorSalt(), ks7::kIterations);
    ASSERT_EQ(decryptor.Open([&](auto, std::uint32_t) { return &key; }), Result::kSuccess);
    MemoryWriter out;
    EXPECT_EQ(decryptor.DecryptTo(out), Result::kDamaged) << grows;
  }
}

// ---- Past 4 GiB ---------------------------------------------------------------------

// A cipher that moves no bytes: its tag is the nonce, so the chunk numbers
// and last flags of a 5 GiB file can be checked in milliseconds.
class NonceTagKey : public platform::AesGcmKey {
 public:
  explicit NonceTagKey(std::vector<Bytes>& nonces) : nonces_(nonces) {}
  bool Seal(std::span<const std::uint8_t, kNonceSize> nonce, std::span<const std::uint8_t>,
            std::span<std::uint8_t>, std::span<std::uint8_t, kTagSize> tag) override {
    nonces_.emplace_back(nonce.begin(), nonce.end());
    std::fill(std::copy(nonce.begin(), nonce.end(), tag.begin()), tag.end(), std::uint8_t{0});
    return true;
  }
  Opened Open(std::span<const std::uint8_t, kNonceSize> nonce, std::span<const std::uint8_t>,
              std::span<const std::uint8_t, kTagSize> tag, std::span<std::uint8_t>) override {
    return std::equal(nonce.begin(), nonce.end(), tag.begin()) ? Opened::kOk : Opened::kTagMismatch;
  }

 private:
  std::vector<Bytes>& nonces_;
};

class NonceTagCrypto : public FastKdf {
 public:
  std::unique_ptr<platform::AesGcmKey> AesGcm(std::span<const std::uint8_t>) override {
    return std::make_unique<NonceTagKey>(nonces);
  }
  std::vector<Bytes> nonces;
};

// Claims a size, hands out buffers as they are (no bytes written) except the
// bytes given in `fill` at their offsets.
class HugeReader : public platform::FileReader {
 public:
  HugeReader(std::uint64_t size, std::function<void(std::uint64_t, std::span<std::uint8_t>)> fill = nullptr)
      : size_(size), fill_(std::move(fill)) {}
  [[nodiscard]] std::uint64_t Size() const override { return size_; }
  std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) override {
    const std::size_t count =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size_ - position_));
    if (fill_) fill_(position_, buffer.first(count));
    position_ += count;
    return count;
  }

 private:
  std::uint64_t size_;
  std::uint64_t position_ = 0;
  std::function<void(std::uint64_t, std::span<std::uint8_t>)> fill_;
};

class CountingWriter : public platform::FileWriter {
 public:
  bool Write(std::span<const std::uint8_t> bytes) override {
    if (written < 80) header.insert(header.end(), bytes.begin(), bytes.begin() + 80);
    written += bytes.size();
    return true;
  }
  Committed Commit() override { return Committed::kDone; }
  std::uint64_t written = 0;
  Bytes header;
};

TEST(Ks7HugeFileTest, FivePlusGiBEncryptAndDecryptWithTheirChunkNumbersSizeAndProgress) {
  const std::uint64_t size = (std::uint64_t{5} << 30) + 65536 + 7;
  const std::uint64_t chunks = size / 65536 + 1;
  NonceTagCrypto crypto;
  ks7::MasterKey master;
  master.key = ks7::DeriveMasterKey(crypto, "pw", master.salt, master.iterations);
  std::uint64_t last_done = 0;
  int reports = 0;
  const ks7::Progress progress{nullptr, [&](std::uint64_t done, std::uint64_t total) {
                                 EXPECT_EQ(total, size);
                                 EXPECT_GT(done, last_done);
                                 last_done = done;
                                 ++reports;
                               }};
  HugeReader source(size);
  CountingWriter out;
  ASSERT_EQ(ks7::Encrypt(crypto, master, source, out, progress), Result::kSuccess);
  EXPECT_EQ(out.written, ks7::EncryptedSize(size));
  EXPECT_EQ(last_done, size);
  EXPECT_EQ(reports, static_cast<int>((chunks + 15) / 16));
  ASSERT_EQ(crypto.nonces.size(), chunks);
  // Chunk 65536 starts at 4 GiB: its number is 00 01 00 00, not 0.
  EXPECT_EQ(ks7_test::Hex(std::span(crypto.nonces[65536]).subspan(7)), "0001000000");
  EXPECT_EQ(ks7_test::Hex(std::span(crypto.nonces.back()).subspan(7)), "0001400101") << "the last, flagged";

  // Decrypting a file of that size: the header as written, each chunk's tag
  // where the layout puts it.
  const Bytes header = out.header;
  const std::uint64_t file_size = ks7::EncryptedSize(size);
  HugeReader encrypted(file_size, [&](std::uint64_t at, std::span<std::uint8_t> bytes) {
    for (std::uint64_t i = at; i < at + bytes.size() && i < 80; ++i) bytes[i - at] = header[i];
    const std::uint64_t first = at < 80 ? 0 : (at - 80) / ks7::kStoredChunkSize;
    for (std::uint64_t chunk = first; chunk < chunks; ++chunk) {
      const std::uint64_t chunk_end = std::min(80 + (chunk + 1) * ks7::kStoredChunkSize, file_size);
      if (chunk_end - 16 >= at + bytes.size()) break;
      const Bytes& nonce = crypto.nonces[chunk];
      for (std::uint64_t i = 0; i < 16; ++i) {
        const std::uint64_t offset = chunk_end - 16 + i;
        if (offset >= at && offset < at + bytes.size()) bytes[offset - at] = i < 12 ? nonce[i] : 0;
      }
    }
  });
  ks7::Decryptor decryptor(crypto, encrypted);
  ASSERT_EQ(decryptor.Open([&](auto, std::uint32_t) { return &master.key; }), Result::kSuccess);
  EXPECT_EQ(decryptor.plaintext_size(), size);
  CountingWriter plain;
  last_done = 0;
  EXPECT_EQ(decryptor.DecryptTo(plain, progress), Result::kSuccess);
  EXPECT_EQ(plain.written, size);
}

}  // namespace
