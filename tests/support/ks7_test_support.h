// Files in memory and byte helpers for the .ks7 tests of both builds and the
// fuzz target. No Windows headers.
#pragma once

#include <algorithm>

#include "platform/file_service.h"

namespace ks7_test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ToBytes(std::string_view text) {
  return {text.begin(), text.end()};
}

// A plaintext whose bytes depend on their offset, and differ between chunks.
inline Bytes PatternBytes(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 16) + 3);
  return bytes;
}

// Reads bytes, at most `step` per call; its size may claim another length
// than it holds (a file that changes while it is read).
struct MemoryReader : platform::FileReader {
  explicit MemoryReader(Bytes content, std::optional<std::uint64_t> claimed = std::nullopt,
                        std::size_t most = 1000000)
      : bytes(std::move(content)), size(claimed.value_or(bytes.size())), step(most) {}
  [[nodiscard]] std::uint64_t Size() const override { return size; }
  std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) override {
    const std::size_t count = std::min({buffer.size(), bytes.size() - position, step});
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(position), count, buffer.begin());
    position += count;
    return count;
  }
  Bytes bytes;
  std::uint64_t size;
  std::size_t step, position = 0;
};

struct MemoryWriter : platform::FileWriter {
  bool Write(std::span<const std::uint8_t> bytes) override {
    written.insert(written.end(), bytes.begin(), bytes.end());
    return true;
  }
  Committed Commit() override { return Committed::kDone; }
  Bytes written;
};

}  // namespace ks7_test
