// The description of every stored value, built from the layout's names.
#include "config/registry_layout.h"

#include "platform/settings_store.h"

namespace config {

std::vector<StoredValue> StoredValues() {
  const std::string settings(kSettingsKey);
  const std::string store = platform::SettingsStorePath(kStoreApp, kStoreSection);
  const auto on_off = [&](std::string_view name) {
    return StoredValue{kMachine, settings, name, ValueKind::kSwitch, "1", "0"};
  };
  const auto owned = [](platform::RegRoot root, std::string key, std::string_view name) {
    return StoredValue{root, std::move(key), name, ValueKind::kProgramOwned, {}, {}};
  };
  return {
      StoredValue{kMachine, std::string(kTasksKey), kListValuePrefix, ValueKind::kList, {}, {}},
      StoredValue{kMachine, std::string(kIgnoreListKey), kListValuePrefix, ValueKind::kList, {}, {}},
      on_off(kTray),
      on_off(kStartup),
      on_off(kHideSM),
      on_off(kLockIE),
      on_off(kLock3Party),
      on_off(kLockEx),
      on_off(kTaskManager),
      on_off(kLockInstall),
      StoredValue{kMachine, settings, kDisableRegistryTools, ValueKind::kNumberSwitch, "1", "0"},
      on_off(kDontShowUpdate),
      StoredValue{kMachine, settings, kUpdateFolder, ValueKind::kText, {}, {}},
      StoredValue{kUser, settings, kCurrentUser, ValueKind::kSwitch, kCurrentUserEnabled,
                  kCurrentUserDisabled},
      StoredValue{kUser, store, kStoreTimer, ValueKind::kNumberText, {}, "0"},
      // The password: a policy would spread it readably; it is set in the program.
      owned(kMachine, settings, kPwd),
      // The account's own "Don't show again", where it cannot write the machine's.
      owned(kUser, settings, kDontShowUpdate),
      owned(kMachine, std::string(kRunKey), kRunValue),
      owned(kUser, store, kStoreDate),
      owned(kUser, store, kStoreTickCount),
  };
}

}  // namespace config
