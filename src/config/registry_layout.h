// Where the configuration lives in the registry and the per-user store.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace config {

inline constexpr platform::RegRoot kMachine = platform::RegRoot::kLocalMachine;
inline constexpr platform::RegRoot kUser = platform::RegRoot::kCurrentUser;

inline constexpr std::string_view kSettingsKey = "Software\\KSV\\Settings";
inline constexpr std::string_view kTasksKey = "Software\\KSV\\Tasks";
inline constexpr std::string_view kIgnoreListKey = "Software\\KSV\\IgnoreList";
inline constexpr std::string_view kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Values of Settings (machine-wide unless noted).
inline constexpr std::string_view kTray = "Tray";
inline constexpr std::string_view kStartup = "Startup";
inline constexpr std::string_view kHideSM = "HideSM";
inline constexpr std::string_view kLockIE = "LockIE";
inline constexpr std::string_view kLock3Party = "chkLock3Party";
inline constexpr std::string_view kLockEx = "LockEx";
inline constexpr std::string_view kTaskManager = "TaskManager";
inline constexpr std::string_view kLockInstall = "LockInstall";
inline constexpr std::string_view kDisableRegistryTools = "DisableRegistryTools";  // REG_DWORD
inline constexpr std::string_view kPwd = "pwd";
// The update reminder switched off: machine-wide, or per user where the
// account could not write the machine-wide value.
inline constexpr std::string_view kDontShowUpdate = "DontShowUpdate";
inline constexpr std::string_view kCurrentUser = "CurrentUser";     // per user
inline constexpr std::string_view kCurrentUserEnabled = "Enabled";  // the account is exempt
inline constexpr std::string_view kCurrentUserDisabled = "Disabled";
inline constexpr std::string_view kRunValue = "Kestrove Pro";
// Where the updater KsUpdate.exe looks for installers, when an administrator
// names a folder; the program itself never reads it.
inline constexpr std::string_view kUpdateFolder = "UpdateFolder";

// Lists are stored as Task0, Task1, ...; the loader reads this many numbers.
inline constexpr std::string_view kListValuePrefix = "Task";
inline constexpr int kMaxListValues = 1000;

// The per-user settings store of the daily usage limit.
inline constexpr std::string_view kStoreApp = "kestrove";
inline constexpr std::string_view kStoreSection = "setting";
inline constexpr std::string_view kStoreTimer = "timer";          // minutes a day, "0" = no limit
inline constexpr std::string_view kStoreDate = "date";            // the day the counter belongs to
inline constexpr std::string_view kStoreTickCount = "tickCount";  // minutes left that day

// ---- Every value the program and its updater read, with what it holds: the
// one description that the Group Policy templates are checked against.
enum class ValueKind {
  kSwitch,        // REG_SZ: the text `on` switches it on; `off` is what Apply stores otherwise
  kNumberSwitch,  // REG_DWORD: 1 on, 0 off
  kText,          // REG_SZ: any text (a REG_EXPAND_SZ reads as "")
  kNumberText,    // REG_SZ: a whole number as text; `off` = no limit
  kList,          // REG_SZ values `name`0, `name`1, ... of the key, read up to kMaxListValues
  kProgramOwned,  // kept by the program itself or too sensitive for a policy
};

struct StoredValue {
  platform::RegRoot root;
  std::string key;
  std::string_view name;
  ValueKind kind;
  std::string_view on;
  std::string_view off;
};

[[nodiscard]] std::vector<StoredValue> StoredValues();

}  // namespace config
