// The registry as raw typed values. Text values are stored as Windows stores
// them: UTF-16LE bytes, with or without a terminating NUL. The registry
// access layer above this turns them into the program's UTF-8 texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace platform {

struct RegValue {
  RegType type = RegType::kNone;
  std::vector<std::uint8_t> data;
};

// The 4 little-endian bytes of a REG_DWORD value.
inline std::vector<std::uint8_t> DwordBytes(std::uint32_t number) {
  return {static_cast<std::uint8_t>(number & 0xFFU), static_cast<std::uint8_t>((number >> 8U) & 0xFFU),
          static_cast<std::uint8_t>((number >> 16U) & 0xFFU), static_cast<std::uint8_t>(number >> 24U)};
}

class RegistryService {
 public:
  // An open key handle; 0 = no key (failed open or create).
  using Key = std::uint64_t;
  static constexpr Key kNoKey = 0;

  virtual ~RegistryService() = default;

  // Opens the key, creating it and every missing key above it; kNoKey when
  // that failed. Key paths are relative to the root, separated by "\", and
  // compared without regard to letter case.
  virtual Key CreateKey(RegRoot root, std::string_view path) = 0;
  // What an opened key is for: reads ask for read access only, so an
  // account that may not change the machine's keys still reads them.
  enum class Access { kRead, kReadWrite };
  // Opens an existing key; kNoKey when it is missing or cannot be opened
  // with that access.
  virtual Key OpenKey(RegRoot root, std::string_view path, Access access) = 0;
  // The value's type and data; nullopt when the key handle is unusable or the
  // value is missing.
  virtual std::optional<RegValue> QueryValue(Key key, std::string_view name) = 0;
  // Stores (replaces) a value; false when nothing was written.
  virtual bool SetValue(Key key, std::string_view name, RegType type,
                        const std::vector<std::uint8_t>& data) = 0;
  // The names of the key's values, in no particular order; empty when the
  // key handle is unusable.
  virtual std::vector<std::string> ValueNames(Key key) = 0;
  // How many values the key holds; 0 when the key handle is unusable.
  virtual std::size_t ValueCount(Key key) = 0;
  // Deletes a value; false when it was missing or could not be deleted.
  virtual bool DeleteValue(Key key, std::string_view name) = 0;
  // Deletes a key that has no subkeys; false when it failed.
  virtual bool DeleteKey(RegRoot root, std::string_view path) = 0;
  virtual void CloseKey(Key key) = 0;
};

// Closes a key handle when it goes out of scope.
class ScopedKey {
 public:
  ScopedKey(RegistryService& registry, RegistryService::Key key) : registry_(registry), key_(key) {}
  ~ScopedKey() {
    if (key_ != RegistryService::kNoKey) registry_.CloseKey(key_);
  }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  ScopedKey(ScopedKey&&) = delete;
  ScopedKey& operator=(ScopedKey&&) = delete;

  [[nodiscard]] RegistryService::Key get() const { return key_; }
  [[nodiscard]] bool valid() const { return key_ != RegistryService::kNoKey; }

 private:
  RegistryService& registry_;
  RegistryService::Key key_;
};

}  // namespace platform
