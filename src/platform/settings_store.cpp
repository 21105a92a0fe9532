// The per-user settings store over the registry service, so that both builds
// keep it in the same place.
#include "platform/settings_store.h"

#include <string>

#include "platform/text.h"

namespace platform {

std::string SettingsStorePath(std::string_view app, std::string_view section) {
  std::string path = "Software\\KSV\\AppSettings\\";
  path += app;
  path += '\\';
  path += section;
  return path;
}

std::string SettingsStore::GetSetting(std::string_view app, std::string_view section, std::string_view key,
                                      std::string_view fallback) const {
  const ScopedKey handle(registry_, registry_.OpenKey(RegRoot::kCurrentUser, SettingsStorePath(app, section),
                                                      RegistryService::Access::kRead));
  if (!handle.valid()) return std::string(fallback);
  const auto value = registry_.QueryValue(handle.get(), key);
  if (!value || value->type != RegType::kSz) return std::string(fallback);
  return DecodeRegSz(value->data);
}

void SettingsStore::SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                                std::string_view value) {
  const ScopedKey handle(registry_,
                         registry_.CreateKey(RegRoot::kCurrentUser, SettingsStorePath(app, section)));
  if (!handle.valid()) return;
  registry_.SetValue(handle.get(), key, RegType::kSz, EncodeRegSz(value));
}

}  // namespace platform
