// The stored lists (the protected tasks and the ignore list) and the settings
// Apply saves, read and written as whole values: a load builds a list aside
// and hands it over complete, a save writes what was taken before its first
// write. Lists yield to the event queue at every value, as the program does
// in long loops.
#pragma once

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
// The same for the ignore list; an empty list leaves no IgnoreList key.
void SaveIgnoreList(RegistryEdit& registry, platform::EventLoop& loop, const std::vector<std::string>& rows);

// What Apply saves, taken from the window whole before the first write, so
// that nothing that runs while the save yields (a reload, an edit) can change
// what is written.
struct SavedSettings {
  bool noTrayIcon = false;
  std::vector<TaskRow> tasks;
  std::vector<std::string> ignoreList;
  std::string sessionMinutes;  // as typed; "" and "0" store "0"
  bool startup = false;
  bool hideStartMenu = false;
  bool lockRegistryTools = false;
  bool lockTaskManager = false;
  bool lockIE = false;
  bool lockBrowsers = false;
  bool lockExplorer = false;
  bool lockInstall = false;
};

// Writes every saved setting in Apply's order: "Tray", the tasks, the ignore
// list, the session limit, "Startup", "HideSM", "DisableRegistryTools" (a
// number), "TaskManager", "LockIE", "chkLock3Party", "LockEx", "LockInstall".
void SaveSettings(RegistryEdit& registry, platform::SettingsStore& store, platform::EventLoop& loop,
                  const SavedSettings& settings);

}  // namespace config
