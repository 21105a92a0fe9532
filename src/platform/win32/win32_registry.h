// The registry over advapi32, as raw typed values. Open keys are handed out
// as numbers that name an owned HKEY, so a forgotten or doubled close can
// never close someone else's handle.
#pragma once

#include <windows.h>

#include <map>

#include "platform/registry_service.h"
#include "platform/win32/unique_handle.h"

namespace platform::win32 {

class Win32Registry : public RegistryService {
 public:
  Key CreateKey(RegRoot root, std::string_view path) override;
  // Opens for reading and writing (DeleteValue goes through an opened key),
  // falling back to reading only where writing is not allowed.
  Key OpenKey(RegRoot root, std::string_view path, Access access) override;
  std::optional<RegValue> QueryValue(Key key, std::string_view name) override;
  bool SetValue(Key key, std::string_view name, RegType type, const std::vector<std::uint8_t>& data) override;
  std::vector<std::string> ValueNames(Key key) override;
  std::size_t ValueCount(Key key) override;
  bool DeleteValue(Key key, std::string_view name) override;
  bool DeleteKey(RegRoot root, std::string_view path) override;
  void CloseKey(Key key) override;

  // How many keys are open, for tests that check nothing leaks.
  [[nodiscard]] std::size_t open_keys() const { return keys_.size(); }

 private:
  Key Keep(HKEY key);
  [[nodiscard]] HKEY Find(Key key) const;

  std::map<Key, UniqueKey> keys_;
  Key next_key_ = 1;
};

}  // namespace platform::win32
