// The per-user settings store: string values keyed by application, section
// and key, kept in the current user's registry hive under
// HKEY_CURRENT_USER\Software\KSV\AppSettings\<application>\<section>.
// Like the registry access layer it never fails: a missing key reads as the
// default, a failed save is lost.
#pragma once

#include <string>
#include <string_view>

#include "platform/registry_service.h"

namespace platform {

// The registry key, under HKEY_CURRENT_USER, of one section of the store.
[[nodiscard]] std::string SettingsStorePath(std::string_view app, std::string_view section);

class SettingsStore {
 public:
  explicit SettingsStore(RegistryService& registry) : registry_(registry) {}

  [[nodiscard]] std::string GetSetting(std::string_view app, std::string_view section, std::string_view key,
                                       std::string_view fallback = "") const;
  void SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                   std::string_view value);

 private:
  RegistryService& registry_;
};

}  // namespace platform
