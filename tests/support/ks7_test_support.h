// Files in memory and byte helpers for the .ks7 tests of both builds and the
// fuzz target. No platform headers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_service.h"

namespace ks7_test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes FromHex(std::string_view hex) {
  const auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
  Bytes bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(digit(hex[i]) * 16 + digit(hex[i + 1])));
  return bytes;
}

inline std::string Hex(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (const std::uint8_t byte : bytes)
    text += {"0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 0xF]};
  return text;
}

inline Bytes ToBytes(std::string_view text) {
  return {text.begin(), text.end()};
}

// A plaintext whose bytes depend on their offset.
inline Bytes PatternBytes(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return bytes;
}

// Reads bytes, at most `step` per call; its size may claim another length
// than it holds (a file that changes while it is read).
class MemoryReader : public platform::FileReader {
 public:
  explicit MemoryReader(Bytes bytes, std::optional<std::uint64_t> claimed = std::nullopt,
                        std::size_t step = 1000000)
      : bytes_(std::move(bytes)), claimed_(claimed.value_or(bytes_.size())), step_(step) {}
  [[nodiscard]] std::uint64_t Size() const override { return claimed_; }
  std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) override {
    const std::size_t count = std::min({buffer.size(), bytes_.size() - position_, step_});
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(position_), count, buffer.begin());
    position_ += count;
    return count;
  }

 private:
  Bytes bytes_;
  std::uint64_t claimed_;
  std::size_t step_;
  std::size_t position_ = 0;
};

class MemoryWriter : public platform::FileWriter {
 public:
  bool Write(std::span<const std::uint8_t> bytes) override {
    written.insert(written.end(), bytes.begin(), bytes.end());
    return true;
  }
  Committed Commit() override { return Committed::kDone; }
  Bytes written;
};

}  // namespace ks7_test
