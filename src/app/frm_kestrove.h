// The main window frmkestrove: the configuration window and, through its
// controls, the in-memory configuration (the task list is lstTasks itself).
// Its methods are the start-up and shutdown of the program and the glue
// between the configuration value and the controls (GetConfig, CountTasks,
// Apply). The watch cycle and the count-down run in the engine on its lists
// and timers.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "config/configuration.h"
#include "config/load_save_state.h"
#include "engine/file_encryption.h"
#include "platform/types.h"
#include "ui/control.h"
#include "ui/form.h"

namespace app {

class Program;

// Window titles by which copies of the program find each other.
inline constexpr std::string_view kRunningTitle = "Kestrove Pro Configuration Tool";
inline constexpr std::string_view kStartingTitle = "0";
inline constexpr std::string_view kRestartingTitle = "Kestrove ###";

// The Encryption tab's progress bar: its width at the start of a run and at
// 100 %, in twips.
inline constexpr int kProgressStartWidth = 44;
inline constexpr int kProgressFullWidth = 2190;

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

  // ---- Saving: cmdok's click. Writes what the window shows to the registry,
  // sets the rule switches and reloads; a failure is shown in the message
  // dialog as its description followed by "0".
  void Apply();

  // The number of checked rows found by the last CountTasks.
  [[nodiscard]] std::int16_t taskCounter() const { return task_counter_; }
  // The version text shown on the About tab ("7.6.3").
  [[nodiscard]] const std::string& versionText() const { return version_text_; }
  // Whether a load or a save runs; only this window's loads and saves
  // change it.
  [[nodiscard]] const config::LoadSaveState& loadSave() const { return loadSave_; }

  // ---- The tab strip and the buttons below it.
  ui::TabStrip SmartTab1;
  ui::Button cmdhelp;
  ui::Button cmdcancel;
  ui::Button cmdok;

  // ---- Tasks tab.
  ui::Label Label1;
  ui::CheckListBox lstTasks;
  ui::Button cmdadd;
  ui::Button cmddel;
  ui::Label cmdDirlatch;
  ui::Label lblTaskCount;

  // ---- Encryption tab (handlers in encryption_tab.cpp).
  ui::Label Label12;
  ui::TextBox txtenpath;
  ui::Button cmdbrowse2;
  ui::Label Label13;
  ui::TextBox txtenpwd;
  ui::Button cmdencrypt;
  ui::CheckBox chkInclude;
  ui::Button cmddecrypt;
  ui::Button cmdAbort;
  ui::Label lblprogress;
  ui::Shape ProgressBar;  // its width shows the progress
  ui::Label lblerr;
  ui::FileListBox File1;  // lists the folder of an "Include all files" run
  // The file-encryption component, hosted for the window's whole life.
  std::unique_ptr<engine::EncryptionComponent> RSPEncrypt1;
  // Puts a component in RSPEncrypt1's place and takes its events.
  void HostEncryptionComponent(std::unique_ptr<engine::EncryptionComponent> component);

  // ---- Settings tab.
  ui::Label lblProgramSettings;
  ui::Label lblTasksTab;
  ui::Button cmdsetpassword;
  ui::Button cmdIgnore;
  ui::Label lblGeneral;
  ui::CheckBox chkTray;

  // ---- Users tab.
  ui::Label lblUserSettings;
  ui::CheckBox chkAdmin;
  ui::Label lblImport;
  ui::Image Image1;  // shows how to set up the automatic update
  ui::Button cmdImport;
  ui::Button cmdExport;
  ui::Label lblRelock;
  ui::TextBox txtrelock;
  ui::Label lblRelockMins;

  // ---- Advanced tab.
  ui::Label lblSystemTasks;
  ui::CheckBox chkTaskManager1;
  ui::CheckBox chkLockEx1;
  ui::CheckBox chkDisableRegistry;
  ui::CheckBox chklockinstall1;
  ui::CheckBox chkStartup;
  ui::CheckBox chkHideSM;
  ui::Label lblWeb;
  ui::CheckBox chkLock3Party;
  ui::CheckBox chkLockIE2;

  // ---- About tab.
  ui::Label lblAbout;
  ui::Button cmdupdate;
  ui::Button cmdExit;

  // ---- Debug Panel: below the visible client area, never seen.
  ui::Frame fraDebug;
  ui::ListBox lstAllow;
  ui::ListBox lstignore;
  ui::Timer timerKestrove;   // the watch tick
  ui::Timer tmrForeground;   // the quick look at the foreground between ticks
  ui::Button Command1;       // the automatic update's import step
  ui::Timer tmrAutoUpdated;  // looks for a configuration file in the drop folder

  // ---- Invisible parts.
  ui::Image imgunlock;
  ui::Timer Timer1;         // the one-second start-up delay
  ui::Timer timerInstance;  // a second start of the program
  ui::Timer tmrTimer;       // the daily usage count-down

 private:
  // Start-up and shutdown.
  void OnLoad();
  void StartupDelay();
  // Whether today's allowance is used up: the start raises its lock once
  // the configuration is loaded.
  bool StartDailyLimit();
  void OnActivate();
  void OnTrayMessage(std::uint32_t message, std::intptr_t lparam);
  void OnQueryUnload(ui::UnloadRequest& request);
  void InstanceTick();
  void Exit();
  void ApplySteps();
  // Tasks tab: Browse... (cmdadd) adds the title chosen in the window
  // browser at the top of lstTasks, checked; Remove (cmddel) removes the
  // highlighted row without a recount.
  void AddTask();
  void RemoveTask();
  void TasksKeyDown(int key_code);
  // "?", "Update Check" and "Lock a Folder" (help_and_update.cpp).
  void OpenHelp();
  void UpdateCheck();
  void LockFolder();
  // The Users tab: the account's exemption, stored at once, and the session
  // limit's box, kept numeric.
  void AdminClick();
  void RelockChange();
  // Everything Apply saves, as the window shows it now.
  config::Configuration ConfigurationShown();

  // The Encryption tab: one run of Encrypt or Decrypt, and the component's
  // events.
  void RunEncryption(bool decrypting);
  void EncryptionSteps(bool decrypting);
  void OnEncryptionProgress(std::int32_t percent);
  void OnEncryptionResult(std::int32_t code, const std::string& message);
  void BrowseForEncryptionPath();

  // GetConfig's steps that reach beyond the window, each contained on its own.
  void PutUpTrayIcon(bool no_tray_icon);
  void ApplyStartup(std::optional<bool> startup);
  void ApplyTaskbar(bool hide);

  // Sharing the configuration between computers (config_sharing.cpp).
  void WireSharing();
  void ExportConfig();
  void ImportConfig();
  void AutoUpdateTick();
  void AutoUpdateImport();
  [[nodiscard]] platform::WindowId AutoUpdateBoxOwner() const;

  Program& program_;
  config::LoadSaveState loadSave_;
  // The component's last result, kept for the window's whole life.
  std::int32_t encryption_code_ = 0;
  std::string encryption_message_;
  // A file of the run in progress failed: a later file's success does not
  // hide it.
  bool encryption_run_failed_ = false;
  std::int16_t task_counter_ = 0;
  std::string version_text_;
  std::string autoUpdatePath_;  // the drop file, set by every tick of tmrAutoUpdated
};

}  // namespace app
