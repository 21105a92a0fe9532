// The .ks7 format on its own, over OpenSSL and files in memory: the known
// answer, round trips, tampering, and a file past 4 GiB.
#include "engine/ks7_format.h"

#include <gtest/gtest.h>

#include <bit>
#include <numeric>
#include <mutex>
#include <set>

#include "platform/fake/host_crypto.h"
#include "support/ks7_vectors.h"

namespace {

namespace ks7 = engine::ks7;
using R = ks7::Result;
using ks7_test::Bytes;
using ks7_test::Decrypted;

class Ks7FormatTest : public ::testing::Test {
 protected:
  Ks7FormatTest() { master.key = ks7::DeriveMasterKey(crypto, "pw", master.salt, master.iterations); }
  // Read `step` bytes at a time from a source that may claim another size.
  Bytes Encrypted(const Bytes& plain, std::size_t step = 777, std::optional<std::uint64_t> claimed = {},
                  R expected = R::kSuccess) {
    ks7_test::MemoryReader source(plain, claimed, step);
    ks7_test::MemoryWriter out;
    EXPECT_EQ(ks7::Encrypt(crypto, master, source, out), expected) << plain.size();
    return out.written;
  }
  ks7_test::OneRound<platform::fake::HostCrypto> crypto;
  ks7::MasterKey master;
};

TEST(Ks7VectorsTest, OpenSslGivesTheKnownAnswer) {
  platform::fake::HostCrypto host;
  ks7_test::CheckKs7Vectors(host);
}

TEST_F(Ks7FormatTest, RoundTripsAtChunkBoundariesAndAChangingSourceIsRefused) {
  for (const std::size_t size : {0UL, 1UL, 65535UL, 65536UL, 65537UL, 1048576UL, 3145733UL}) {
    const Bytes plain = ks7_test::PatternBytes(size);
    EXPECT_EQ(Decrypted(crypto, Encrypted(plain), "pw"), std::pair(R::kSuccess, plain)) << size;
  }
  const Bytes plain = ks7_test::PatternBytes(65537), file = Encrypted(plain);
  for (const std::uint64_t claimed : {65536UL, 65538UL}) Encrypted(plain, 777, claimed, R::kSourceUnreadable);
  EXPECT_NE(file, Encrypted(plain)) << "a new file id for every file";
  EXPECT_EQ(Bytes(&file[12], &file[16]), (Bytes{0x00, 0x09, 0x27, 0xC0})) << "600,000 iterations";
}

TEST_F(Ks7FormatTest, EveryTamperingIsReportedWithItsResult) {
  // Chunks of 64 KiB, 64 KiB and 100 bytes; `other` has the same key, another file id.
  const Bytes file = Encrypted(ks7_test::PatternBytes(2 * 65536 + 100));
  const Bytes other = Encrypted(ks7_test::PatternBytes(2 * 65536 + 100));
  const std::size_t chunk1 = 80 + 65552, chunk2 = 80 + 2 * 65552;
  const auto flip = [](std::size_t at) { return [at](Bytes& b) { b[at] ^= 1; }; };
  const auto cut = [](std::size_t size) { return [size](Bytes& b) { b.resize(size); }; };
  const std::tuple<const char*, std::function<void(Bytes&)>, R> cases[] = {
      {"magic", flip(3), R::kNotKs7},
      {"version", flip(8), R::kUnsupported},
      {"iterations out of range", [](Bytes& b) { b[12] = 0xFF; }, R::kUnsupported},
      {"header only", cut(80), R::kDamaged},
      {"file id", flip(40), R::kWrongPassword},
      {"header MAC", flip(60), R::kWrongPassword},
      {"a chunk", flip(100), R::kDamaged},
      {"cut at a chunk boundary", cut(chunk2), R::kDamaged},
      {"a chunk appended", [&](Bytes& b) { b.insert(b.end(), &file[80], &file[chunk1]); }, R::kDamaged},
      {"chunks swapped", [&](Bytes& b) { std::swap_ranges(&b[80], &b[chunk1], &b[chunk1]); }, R::kDamaged},
      {"another file's chunk", [&](Bytes& b) { std::copy(&other[chunk1], &other[chunk2], &b[chunk1]); },
       R::kDamaged},
  };
  for (const auto& [name, edit, expected] : cases) {
    Bytes edited = file;
    edit(edited);
    EXPECT_EQ(Decrypted(crypto, edited, "pw").first, expected) << name;
  }
  // A file that shrinks while it is read: its size is taken first, its bytes end early.
  for (const std::size_t left : {std::size_t{100}, chunk1 + 10, chunk2, file.size() - 1}) {
    EXPECT_EQ(Decrypted(crypto, Bytes(file.begin(), file.begin() + left), "pw", file.size()).first,
              R::kDamaged)
        << left;
  }
}

// Where each read or write of chunk bytes puts its buffer: the address less
// the file offset, within a page. The header and the probe past the end
// (reads at or past `end`) are not chunk bytes.
// Reads and writes come from two threads.
struct Gaps {
  void Note(const std::uint8_t* address, std::uint64_t position, std::uint64_t from, std::uint64_t end) {
    const std::lock_guard lock(mutex);
    if (position >= from && position < end)
      seen.insert((std::bit_cast<std::uintptr_t>(address) - position) % 4096);
  }
  std::mutex mutex;
  std::set<std::uint64_t> seen;
};
struct PlacedReader : ks7_test::MemoryReader {
  PlacedReader(Gaps& gaps, Bytes content, std::size_t step, std::uint64_t chunks_from)
      : MemoryReader(std::move(content), std::nullopt, step), gaps(gaps), from(chunks_from) {}
  std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) override {
    gaps.Note(buffer.data(), position, from, bytes.size());
    return MemoryReader::Read(buffer);
  }
  Gaps& gaps;
  std::uint64_t from;
};
struct PlacedWriter : ks7_test::MemoryWriter {
  PlacedWriter(Gaps& gaps, std::uint64_t chunks_from) : gaps(gaps), from(chunks_from) {}
  bool Write(std::span<const std::uint8_t> bytes) override {
    gaps.Note(bytes.data(), written.size(), from, UINT64_MAX);
    return MemoryWriter::Write(bytes);
  }
  Gaps& gaps;
  std::uint64_t from;
};

// The system copies file pages to and from the buffers; a buffer at the file
// offset's place within a page makes every such copy an aligned one. Three
// batches: the stored side's offsets move 256 bytes further each batch.
TEST_F(Ks7FormatTest, ChunksLieInMemoryAsInTheirFilesWithinAPage) {
  const Bytes plain = ks7_test::PatternBytes(2 * 1048576 + 1000);
  for (const std::size_t step : {std::size_t{777}, std::size_t{1} << 21}) {
    Gaps gaps;
    PlacedReader source(gaps, plain, step, 0);
    PlacedWriter sealed(gaps, ks7::kHeaderSize);
    ASSERT_EQ(ks7::Encrypt(crypto, master, source, sealed), R::kSuccess);
    PlacedReader stored(gaps, sealed.written, step, ks7::kHeaderSize);
    ks7::Decryptor decryptor(crypto, stored);
    ASSERT_EQ(decryptor.Open([&](auto, std::uint32_t) { return &master.key; }), R::kSuccess);
    PlacedWriter opened(gaps, 0);
    ASSERT_EQ(decryptor.DecryptTo(opened), R::kSuccess);
    EXPECT_EQ(opened.written, plain);
    EXPECT_EQ(gaps.seen, std::set<std::uint64_t>{0}) << step;
  }
}

// Past 4 GiB: a cipher that moves no bytes but keeps each nonce's chunk
// number and flag, over a file that only claims its size.
struct NonceKeeper : platform::AesGcmKey {
  explicit NonceKeeper(std::vector<std::uint64_t>& kept) : nonces(kept) {}
  bool Seal(std::span<const std::uint8_t, kNonceSize> nonce, std::span<const std::uint8_t>,
            std::span<std::uint8_t>, std::span<std::uint8_t, kTagSize>) override {
    nonces.push_back(std::accumulate(nonce.end() - 5, nonce.end(), std::uint64_t{},
                                     [](auto n, auto b) { return n << 8 | b; }));
    return true;
  }
  Opened Open(std::span<const std::uint8_t, kNonceSize>, std::span<const std::uint8_t>,
              std::span<const std::uint8_t, kTagSize>, std::span<std::uint8_t>) override {
    return Opened::kFailed;
  }
  std::vector<std::uint64_t>& nonces;
};

struct HugeFile : platform::fake::HostCrypto, platform::FileReader, platform::FileWriter {
  std::unique_ptr<platform::AesGcmKey> AesGcm(std::span<const std::uint8_t>) override {
    return std::make_unique<NonceKeeper>(nonces);
  }
  [[nodiscard]] std::uint64_t Size() const override { return size; }
  std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) override {
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size - read));
    read += count;
    return count;
  }
  bool Write(std::span<const std::uint8_t> bytes) override { return (written += bytes.size()) > 0; }
  Committed Commit() override { return Committed::kDone; }
  std::vector<std::uint64_t> nonces;
  std::uint64_t size = (std::uint64_t{5} << 30) + 65536 + 7, read = 0, written = 0;
};

TEST(Ks7HugeFileTest, AFileOfFiveGiBHasItsChunkNumbersAndSize) {
  HugeFile file;
  ks7::MasterKey master;
  master.key = ks7::Secret(Bytes(32, 1));
  ASSERT_EQ(ks7::Encrypt(file, master, file, file), R::kSuccess);
  EXPECT_EQ(file.written, 80 + file.size + std::uint64_t{16} * 81922);
  // Chunk 65536 starts at 4 GiB, numbered 00 01 00 00; only the last has the flag.
  ASSERT_EQ(file.nonces.size(), 81922U);
  EXPECT_EQ(std::vector({file.nonces[65535], file.nonces[65536], file.nonces.back()}),
            (std::vector<std::uint64_t>{0x0000ffff00, 0x0001000000, 0x0001400101}));
  // 100 % is left for the file in its place; an empty file is 0 % done.
  EXPECT_EQ(ks7::PercentDone(file.size, file.size), 99);
  EXPECT_EQ(ks7::PercentDone(0, 0), 0);
}

}  // namespace
