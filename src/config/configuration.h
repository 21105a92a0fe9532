// The configuration as a plain value, with its load from and save to the
// registry layout: the protected tasks and the ignore list, the option
// switches, the password and the account flag. A load builds the whole value
// aside and hands it over complete; a save writes a value taken before its
// first write. Lists yield to the event queue at every value, as the program
// does in long loops. Knows the registry and nothing above it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "config/registry_edit.h"
#include "platform/event_loop.h"
#include "platform/settings_store.h"

namespace config {

// One row of the task list: the entry and whether it is protected.
struct TaskRow {
  std::string entry;
  bool checked = false;

  friend bool operator==(const TaskRow&, const TaskRow&) = default;
};

// Task0 to Task999 of the Tasks key, in order, gaps skipped. A value is the
// entry, "," and the flag digit; exactly two characters are cut, so an entry
// may hold commas. A value of one character holds no entry and is skipped.
std::vector<TaskRow> LoadTasks(RegistryEdit& registry, platform::EventLoop& loop);
// Task0 to Task999 of the IgnoreList key, in order, empty values skipped.
std::vector<std::string> LoadIgnoreList(RegistryEdit& registry, platform::EventLoop& loop);

// Writes the rows as Task0, Task1, ... over the old values first and only
// then removes the values beyond them, from the top down: a program killed
// half-way leaves the new values followed by old ones, one run without
// gaps, never an empty or shortened list.
void SaveTasks(RegistryEdit& registry, platform::EventLoop& loop, const std::vector<TaskRow>& rows);
// The same for the ignore list, which then also loses every other value of
// its key (numbers past Task999, names that are no list value): the key holds
// exactly the rows. An empty list leaves no IgnoreList key.
void SaveIgnoreList(RegistryEdit& registry, platform::EventLoop& loop, const std::vector<std::string>& rows);

// The configuration: what a load reads, and what Apply saves.
struct Configuration {
  std::vector<TaskRow> tasks;
  std::vector<std::string> ignoreList;
  // HKEY_CURRENT_USER "CurrentUser" is exactly "Enabled": this Windows
  // account is never locked. Loaded only; the check box writes it at once.
  bool userUnrestricted = false;
  // "pwd" as stored (a hash, or plain text from an older configuration);
  // loaded only, the prompt writes it.
  std::string password;
  bool noTrayIcon = false;
  // "Startup": true "1", false "" or "0", nullopt any other text (the check
  // box then keeps its state).
  std::optional<bool> startup;
  bool hideStartMenu = false;
  bool lockRegistryTools = false;  // "DisableRegistryTools", a number: only 1 is on
  bool lockTaskManager = false;
  bool lockIE = false;
  bool lockBrowsers = false;
  bool lockExplorer = false;
  bool lockInstall = false;
  // The session limit "timer" as typed; "" and "0" store "0". Saved only:
  // start-up reads it.
  std::string sessionMinutes;
};

// Reads the whole configuration; only "1" counts as on.
Configuration LoadConfiguration(RegistryEdit& registry, platform::EventLoop& loop);

// Writes what Apply saves, in Apply's order: "Tray", the tasks, the ignore
// list, the session limit, "Startup", "HideSM", "DisableRegistryTools" (a
// number), "TaskManager", "LockIE", "chkLock3Party", "LockEx", "LockInstall".
void SaveConfiguration(RegistryEdit& registry, platform::SettingsStore& store, platform::EventLoop& loop,
                       const Configuration& configuration);

}  // namespace config
