// The configuration's load and save.
#include "config/configuration.h"

#include <charconv>

#include "config/registry_layout.h"
#include "platform/text.h"

namespace config {
namespace {

std::string ValueName(int n) {
  return std::string(kListValuePrefix) + std::to_string(n);
}

// Removes the values from Task999 down to Task<count>, yielding at each.
void RemoveBeyond(RegistryEdit& registry, platform::EventLoop& loop, std::string_view key, int count) {
  for (int n = kMaxListValues - 1; n >= count; --n) {
    loop.DoEvents();
    registry.DeleteValue(kMachine, key, ValueName(n));
  }
}

// Whether a value name is one of Task0 to Task<count - 1>; registry names
// ignore letter case.
bool IsListValue(std::string_view name, int count) {
  const std::string_view prefix = kListValuePrefix;
  if (name.size() <= prefix.size() ||
      platform::AsciiLower(name.substr(0, prefix.size())) != platform::AsciiLower(prefix)) {
    return false;
  }
  const std::string_view digits = name.substr(prefix.size());
  int n = -1;  // stays so when the digits do not make a number
  std::from_chars(digits.data(), digits.data() + digits.size(), n);
  return n >= 0 && n < count && digits == std::to_string(n);
}

// Reads a list's values Task0 to Task999 in that order, handing each
// present one to take(text). The key is opened once, and opened again after
// each yield: what runs in a yield (a save) may delete the key or write it
// anew. The loop yields every few milliseconds of its work. Once every
// value the key holds has been read, the names left are missing and are
// not asked for: an empty list costs one look at the key.
template <typename Take>
void ReadList(RegistryEdit& registry, platform::EventLoop& loop, std::string_view key, Take take) {
  platform::YieldPacer pacer(loop);
  RegistryEdit::KeyReader reader(registry, kMachine, key);
  std::string name(kListValuePrefix);
  for (int n = 0; n < kMaxListValues; ++n) {
    if (pacer.Poll()) reader.Reopen();
    // A missing key has no values to read, nor has a key whose every value
    // has been read (an empty one at once).
    if (!reader.opened() || reader.read_all()) continue;
    name.resize(kListValuePrefix.size());
    name += std::to_string(n);
    take(reader.ReadString(name));
  }
}

}  // namespace

std::vector<TaskRow> LoadTasks(RegistryEdit& registry, platform::EventLoop& loop) {
  std::vector<TaskRow> rows;
  ReadList(registry, loop, kTasksKey, [&rows](std::string value) {
    if (value.size() < 2) return;
    const bool checked = value.back() == '1';
    value.resize(value.size() - 2);
    rows.push_back(TaskRow{std::move(value), checked});
  });
  return rows;
}

std::vector<std::string> LoadIgnoreList(RegistryEdit& registry, platform::EventLoop& loop) {
  std::vector<std::string> rows;
  ReadList(registry, loop, kIgnoreListKey, [&rows](std::string value) {
    if (!value.empty()) rows.push_back(std::move(value));
  });
  return rows;
}

void SaveTasks(RegistryEdit& registry, platform::EventLoop& loop, const std::vector<TaskRow>& rows) {
  const int count = static_cast<int>(rows.size());
  for (int r = 0; r < count; ++r) {
    registry.WriteString(kMachine, kTasksKey, ValueName(r), rows[r].entry + (rows[r].checked ? ",1" : ",0"));
  }
  RemoveBeyond(registry, loop, kTasksKey, count);
}

void SaveIgnoreList(RegistryEdit& registry, platform::EventLoop& loop, const std::vector<std::string>& rows) {
  if (rows.empty()) {
    registry.DeleteKey(kMachine, kIgnoreListKey);
    return;
  }
  const int count = static_cast<int>(rows.size());
  for (int r = 0; r < count; ++r) {
    loop.DoEvents();
    registry.WriteString(kMachine, kIgnoreListKey, ValueName(r), rows[r]);
  }
  RemoveBeyond(registry, loop, kIgnoreListKey, count);
  // Values the loader never reads would come back into the list with a later
  // renumbering or an export; they go once the rows are safely written.
  for (const std::string& name : registry.ValueNames(kMachine, kIgnoreListKey)) {
    if (IsListValue(name, count)) continue;
    loop.DoEvents();
    registry.DeleteValue(kMachine, kIgnoreListKey, name);
  }
}

Configuration LoadConfiguration(RegistryEdit& registry, platform::EventLoop& loop) {
  Configuration c;
  const auto text = [&](std::string_view name) { return registry.ReadString(kMachine, kSettingsKey, name); };
  c.userUnrestricted = registry.ReadString(kUser, kSettingsKey, kCurrentUser) == kCurrentUserEnabled;
  c.noTrayIcon = text(kTray) == "1";
  c.tasks = LoadTasks(registry, loop);
  c.password = text(kPwd);
  c.ignoreList = LoadIgnoreList(registry, loop);
  c.lockRegistryTools = registry.ReadDword(kMachine, kSettingsKey, kDisableRegistryTools) == 1;
  const std::string startup = text(kStartup);
  if (startup == "1") {
    c.startup = true;
  } else if (startup.empty() || startup == "0") {
    c.startup = false;
  }
  c.hideStartMenu = text(kHideSM) == "1";
  c.lockIE = text(kLockIE) == "1";
  c.lockBrowsers = text(kLock3Party) == "1";
  c.lockExplorer = text(kLockEx) == "1";
  c.lockTaskManager = text(kTaskManager) == "1";
  c.lockInstall = text(kLockInstall) == "1";
  return c;
}

void SaveConfiguration(RegistryEdit& registry, platform::SettingsStore& store, platform::EventLoop& loop,
                       const Configuration& settings) {
  const auto flag = [&](std::string_view name, bool on) {
    registry.WriteString(kMachine, kSettingsKey, name, on ? "1" : "0");
  };
  flag(kTray, settings.noTrayIcon);
  SaveTasks(registry, loop, settings.tasks);
  SaveIgnoreList(registry, loop, settings.ignoreList);
  const std::string& minutes = settings.sessionMinutes;
  store.SaveSetting(kStoreApp, kStoreSection, kStoreTimer, minutes.empty() || minutes == "0" ? "0" : minutes);
  flag(kStartup, settings.startup.value_or(false));
  flag(kHideSM, settings.hideStartMenu);
  registry.WriteDword(kMachine, kSettingsKey, kDisableRegistryTools, settings.lockRegistryTools ? 1 : 0);
  flag(kTaskManager, settings.lockTaskManager);
  flag(kLockIE, settings.lockIE);
  flag(kLock3Party, settings.lockBrowsers);
  flag(kLockEx, settings.lockExplorer);
  flag(kLockInstall, settings.lockInstall);
}

}  // namespace config
