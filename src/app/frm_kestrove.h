// The main window frmkestrove: the configuration window and, through its
// controls, the in-memory configuration (the task list is lstTasks itself).
// Its methods are the loader (GetConfig, CountTasks) and the watch cycle
// (timerKestrove's tick, RunProgramMaintenace, CleanUpWindows, RunAdvanced).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/types.h"
#include "ui/control.h"
#include "ui/form.h"

namespace app {

class Program;

class FrmKestrove : public ui::Form {
 public:
  FrmKestrove(ui::FormEnvironment env, Program& program);

  // ---- Loader.
  // Rebuilds the whole in-memory configuration from the registry and applies
  // the tray, taskbar and Windows-at-startup settings. Never fails to its
  // caller: a failing step is abandoned and loading goes on.
  void GetConfig();
  // Recounts the checked rows of lstTasks into lblTaskCount.
  void CountTasks();

  // ---- Watch cycle.
  // timerKestrove's tick; reports a failure in the message dialog.
  void WatchTick();
  void RunProgramMaintenace();
  void CleanUpWindows();
  // The built-in protection rules, run at the end of every scanning tick.
  void RunAdvanced();

  // Watch fields, read once by every scanning tick; the built-in rules read
  // them in the same tick.
  platform::WindowId foregroundWindow = platform::kNoWindow;
  std::string foregroundTitle;
  std::string foregroundClass;

  // The number of checked rows found by the last CountTasks.
  [[nodiscard]] std::int16_t taskCounter() const { return task_counter_; }

  // ---- Tasks tab.
  ui::Label lblSelectTask;
  ui::CheckListBox lstTasks;
  ui::Label lblTaskCount;

  // ---- Option check boxes (Settings, Users and Advanced tabs).
  ui::CheckBox chkTray;
  ui::CheckBox chkAdmin;
  ui::CheckBox chkTaskManager1;
  ui::CheckBox chkLockEx1;
  ui::CheckBox chkDisableRegistry;
  ui::CheckBox chklockinstall1;
  ui::CheckBox chkStartup;
  ui::CheckBox chkHideSM;
  ui::CheckBox chkLock3Party;
  ui::CheckBox chkLockIE2;

  // ---- Debug Panel: below the visible client area, never seen.
  ui::ListBox lstAllow;
  ui::ListBox lstignore;
  ui::Timer timerKestrove;

 private:
  void WatchScan();
  // GetConfig's steps, each contained on its own.
  void LoadTasks();
  void LoadIgnoreList();
  void LoadTrayIcon();
  void LoadStartupLock();
  void LoadTaskbar();
  bool ReadFlag(std::string_view name, ui::CheckBox& box);

  Program& program_;
  std::int16_t task_counter_ = 0;
};

}  // namespace app
