// The registry access layer: the only place the program reads or writes its
// registry values. Stateless operations that never fail to the caller: a
// read that cannot be satisfied yields "" or 0 (or no names), a failed write
// is lost.
// Each operation opens its own key and closes it before it returns.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_service.h"

namespace config {

using platform::RegRoot;

class RegistryEdit {
 public:
  explicit RegistryEdit(platform::RegistryService& registry) : registry_(registry) {}

  // Creates the key and every missing key above it.
  void CreateKey(RegRoot root, std::string_view path);
  // The text of a REG_SZ value up to its first NUL; "" for a missing key or
  // value, an empty value, or a value of any other type (REG_EXPAND_SZ too).
  [[nodiscard]] std::string ReadString(RegRoot root, std::string_view path, std::string_view name);
  // Stores a REG_SZ value (with its NUL), creating the key path.
  void WriteString(RegRoot root, std::string_view path, std::string_view name, std::string_view text);
  // The same write for the one caller that must know: false when the key
  // could not be opened for writing or the value was not stored (an account
  // without the right to change the machine's keys).
  [[nodiscard]] bool TryWriteString(RegRoot root, std::string_view path, std::string_view name,
                                    std::string_view text);
  // The number of a REG_DWORD value; 0 for anything else (the text "1" too).
  [[nodiscard]] std::int32_t ReadDword(RegRoot root, std::string_view path, std::string_view name);
  void WriteDword(RegRoot root, std::string_view path, std::string_view name, std::int32_t number);
  // Deletes a key that has no subkeys.
  void DeleteKey(RegRoot root, std::string_view path);
  // The names of the key's values; none for a missing key.
  [[nodiscard]] std::vector<std::string> ValueNames(RegRoot root, std::string_view path);
  // Deletes a value; a missing one is no error.
  void DeleteValue(RegRoot root, std::string_view path, std::string_view name);

  // One key held open for reading many of its values, each read as
  // ReadString reads it; a key that could not be opened reads every value
  // as "". For a list's thousand values, where an open and a close around
  // each read would cost more than the reads.
  class KeyReader {
   public:
    KeyReader(RegistryEdit& edit, RegRoot root, std::string_view path);
    ~KeyReader();
    KeyReader(const KeyReader&) = delete;
    KeyReader& operator=(const KeyReader&) = delete;
    KeyReader(KeyReader&&) = delete;
    KeyReader& operator=(KeyReader&&) = delete;

    // Closes the key and opens it again, so that reads see it as it is now,
    // even when it was deleted and made anew meanwhile.
    void Reopen();
    [[nodiscard]] std::string ReadString(std::string_view name);
    [[nodiscard]] bool opened() const { return key_ != platform::RegistryService::kNoKey; }
    // Whether every value the key held when it was opened has been read
    // since: any other name reads as missing. Never true after a reopen
    // (values read before it are not counted again).
    [[nodiscard]] bool read_all() const { return unread_ == 0; }

   private:
    platform::RegistryService& registry_;
    RegRoot root_;
    std::string path_;
    platform::RegistryService::Key key_;
    std::size_t unread_;
  };

 private:
  platform::RegistryService& registry_;
};

}  // namespace config
