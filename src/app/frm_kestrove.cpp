// The main window's design: its controls, where they sit (twips), and which
// tab page holds them. Handlers live with their subsystems.
#include "app/frm_kestrove.h"

#include "app/program.h"

namespace app {
namespace {

using ui::Bounds;

// How often the foreground is looked at between watch ticks: a change is
// acted on within this time, at a cost too small to measure when idle.
constexpr std::uint32_t kForegroundCheckMs = 50;

// Client area 5760 x 4830 twips; the Debug Panel lies below it.
constexpr Bounds kMainWindow{0, 0, 5760, 4830};

enum Page { kTasks, kEncryption, kSettings, kUsers, kAdvanced, kAbout };

// The progress bar's and the folder link's dark blue (0xC00000 in the
// blue-green-red order).
constexpr std::uint32_t kDarkBlue = 0x0000C0;

}  // namespace

FrmKestrove::FrmKestrove(ui::FormEnvironment env, Program& program)
    : ui::Form(env, "frmkestrove", std::string(kStartingTitle), kMainWindow),
      SmartTab1(*this, "SmartTab1", Bounds{120, 120, 5535, 4095},
                {"Tasks", "Encryption", "Settings", "Users", "Advanced", "About"}),
      cmdhelp(*this, "cmdhelp", Bounds{120, 4320, 435, 375}, "?"),
      cmdcancel(*this, "cmdcancel", Bounds{3120, 4320, 1215, 375}, "Cancel"),
      cmdok(*this, "cmdok", Bounds{4395, 4320, 1215, 375}, "Apply"),
      // Tasks: the count above the list's right end, the link below it, the
      // buttons at its right end.
      Label1(*this, "Label1", Bounds{300, 600, 3495, 255}, "Select a Task to Lock, or, click Browse."),
      lstTasks(*this, "lstTasks", Bounds{300, 900, 5175, 2580}),
      cmdadd(*this, "cmdadd", Bounds{2940, 3540, 1215, 375}, "Browse..."),
      cmddel(*this, "cmddel", Bounds{4260, 3540, 1215, 375}, "Remove"),
      cmdDirlatch(*this, "cmdDirlatch", Bounds{1080, 3600, 1155, 255}, "Lock a Folder"),
      lblTaskCount(*this, "lblTaskCount", Bounds{3855, 600, 1620, 255}, "Tasks Locked: 0"),
      // Encryption
      Label12(*this, "Label12", Bounds{1080, 600, 4095, 255}, "Enter a file to Encrypt, or, click Browse."),
      txtenpath(*this, "txtenpath", Bounds{1080, 960, 3600, 375}),
      cmdbrowse2(*this, "cmdbrowse2", Bounds{4800, 960, 375, 375}, "..."),
      Label13(*this, "Label13", Bounds{1080, 1470, 900, 255}, "Password:"),
      txtenpwd(*this, "txtenpwd", Bounds{2040, 1440, 1455, 285}),
      cmdencrypt(*this, "cmdencrypt", Bounds{3960, 1440, 1215, 375}, "Encrypt"),
      chkInclude(*this, "chkInclude", Bounds{1080, 1980, 2535, 255}, "Include all files"),
      cmddecrypt(*this, "cmddecrypt", Bounds{3960, 1920, 1215, 375}, "Decrypt"),
      cmdAbort(*this, "cmdAbort", Bounds{3960, 2520, 1215, 375}, "Abort"),
      lblprogress(*this, "lblprogress", Bounds{1080, 2520, 795, 255}, "Progress:"),
      // Under cmdAbort, which covers its last 150 twips at 100 %.
      ProgressBar(*this, "ProgressBar", Bounds{1920, 2520, kProgressStartWidth, 255}, kDarkBlue),
      lblerr(*this, "lblerr", Bounds{1080, 2760, 2820, 1215}, "0 - No Error"),
      File1(*this, "File1", program.os().files),
      // Settings
      lblProgramSettings(*this, "lblProgramSettings", Bounds{300, 600, 5175, 255}, "Program Settings:"),
      lblTasksTab(*this, "lblTasksTab", Bounds{420, 960, 4935, 255}, "Tasks Tab:"),
      cmdsetpassword(*this, "cmdsetpassword", Bounds{600, 1260, 2415, 375}, "Set Tasks Password..."),
      cmdIgnore(*this, "cmdIgnore", Bounds{600, 1740, 2415, 375}, "Ignored Tasks List..."),
      lblGeneral(*this, "lblGeneral", Bounds{420, 2340, 4935, 255}, "General:"),
      chkTray(*this, "chkTray", Bounds{600, 2640, 4755, 255}, "No Tray Icon"),
      // Users
      lblUserSettings(*this, "lblUserSettings", Bounds{300, 600, 5175, 255}, "User Settings:"),
      chkAdmin(*this, "chkAdmin", Bounds{420, 900, 5055, 435},
               "Administrator (this user account will not be restricted)"),
      lblImport(*this, "lblImport", Bounds{420, 1530, 4455, 255},
                "Copy the Configuration to other computers."),
      Image1(*this, "Image1", Bounds{4995, 1500, 240, 240}, "IDI_PROGRAM"),
      cmdImport(*this, "cmdImport", Bounds{600, 1860, 1215, 375}, "Import..."),
      cmdExport(*this, "cmdExport", Bounds{1920, 1860, 1215, 375}, "Export..."),
      lblRelock(*this, "lblRelock", Bounds{420, 2520, 5055, 255},
                "Disable this users Windows Account after:"),
      txtrelock(*this, "txtrelock", Bounds{600, 2820, 615, 315}, "0"),
      lblRelockMins(*this, "lblRelockMins", Bounds{1305, 2850, 2535, 255}, "Mins (0 = off)"),
      // Advanced
      lblSystemTasks(*this, "lblSystemTasks", Bounds{300, 600, 5175, 255}, "System Protected Tasks:"),
      chkTaskManager1(*this, "chkTaskManager1", Bounds{540, 900, 4815, 255}, "Task Manager"),
      chkLockEx1(*this, "chkLockEx1", Bounds{540, 1185, 4815, 255}, "Windows Explorer"),
      chkDisableRegistry(*this, "chkDisableRegistry", Bounds{540, 1470, 4815, 255}, "Registry Editing Tools"),
      chklockinstall1(*this, "chklockinstall1", Bounds{540, 1755, 4815, 255}, "Application Installation"),
      chkStartup(*this, "chkStartup", Bounds{540, 2040, 4815, 255}, "Windows at Startup"),
      chkHideSM(*this, "chkHideSM", Bounds{540, 2325, 4815, 255}, "Start Menu && Start Button"),
      lblWeb(*this, "lblWeb", Bounds{300, 2760, 5175, 255}, "Web"),
      chkLock3Party(*this, "chkLock3Party", Bounds{540, 3060, 4815, 255}, "Third-Party Browers"),
      chkLockIE2(*this, "chkLockIE2", Bounds{540, 3345, 4815, 255}, "Internet Explorer"),
      // About: the version text with the update button at its right, Exit
      // below both.
      lblAbout(*this, "lblAbout", Bounds{240, 510, 4335, 3255}, ""),
      cmdupdate(*this, "cmdupdate", Bounds{4635, 510, 900, 1140}, "Update Check"),
      cmdExit(*this, "cmdExit", Bounds{3960, 3780, 1575, 375}, "End kstrv7.exe"),
      // Debug Panel
      fraDebug(*this, "fraDebug", Bounds{120, 5160, 5535, 2415}, "Debug Panel:"),
      lstAllow(*this, "lstAllow", Bounds{240, 5400, 2535, 1500}),
      lstignore(*this, "lstignore", Bounds{2880, 5400, 2535, 1500}),
      timerKestrove(*this, "timerKestrove", 1000, false),
      tmrForeground(*this, "tmrForeground", kForegroundCheckMs, false),
      Command1(*this, "Command1", Bounds{240, 6960, 1215, 375}, "Command1"),
      tmrAutoUpdated(*this, "tmrAutoUpdated", 60000, true),
      // Invisible
      imgunlock(*this, "imgunlock", Bounds{0, 0, 240, 240}, "IDI_UNLOCKED"),
      Timer1(*this, "Timer1", 1000, false),
      timerInstance(*this, "timerInstance", 500, false),
      tmrTimer(*this, "tmrTimer", 60000, false),
      program_(program) {
  border_style = ui::BorderStyle::kFixedDialog;
  min_button = false;
  max_button = false;
  show_in_taskbar = false;
  icon = "IDI_PROGRAM";

  for (ui::Control* control : std::initializer_list<ui::Control*>{&Label1, &lstTasks, &cmdadd, &cmddel,
                                                                  &cmdDirlatch, &lblTaskCount}) {
    control->setContainer(SmartTab1, kTasks);
  }
  for (ui::Control* control : std::initializer_list<ui::Control*>{
           &Label12, &txtenpath, &cmdbrowse2, &Label13, &txtenpwd, &cmdencrypt, &chkInclude, &cmddecrypt,
           &cmdAbort, &lblprogress, &ProgressBar, &lblerr}) {
    control->setContainer(SmartTab1, kEncryption);
  }
  for (ui::Control* control : std::initializer_list<ui::Control*>{
           &lblProgramSettings, &lblTasksTab, &cmdsetpassword, &cmdIgnore, &lblGeneral, &chkTray}) {
    control->setContainer(SmartTab1, kSettings);
  }
  for (ui::Control* control :
       std::initializer_list<ui::Control*>{&lblUserSettings, &chkAdmin, &lblImport, &Image1, &cmdImport,
                                           &cmdExport, &lblRelock, &txtrelock, &lblRelockMins}) {
    control->setContainer(SmartTab1, kUsers);
  }
  for (ui::Control* control : std::initializer_list<ui::Control*>{
           &lblSystemTasks, &chkTaskManager1, &chkLockEx1, &chkDisableRegistry, &chklockinstall1, &chkStartup,
           &chkHideSM, &lblWeb, &chkLock3Party, &chkLockIE2}) {
    control->setContainer(SmartTab1, kAdvanced);
  }
  for (ui::Control* control : std::initializer_list<ui::Control*>{&lblAbout, &cmdupdate, &cmdExit}) {
    control->setContainer(SmartTab1, kAbout);
  }
  lstAllow.setContainer(fraDebug);
  lstignore.setContainer(fraDebug);
  Command1.setContainer(fraDebug);
  imgunlock.Design(false, true);

  cmdDirlatch.underline = true;
  cmdDirlatch.design_fore_color = kDarkBlue;
  lblAbout.transparent = true;
  cmdupdate.picture = "IDI_UPDATE";
  lblTaskCount.alignment = ui::Alignment::kRight;
  txtenpwd.password_char = '*';
  txtenpwd.max_length = 32;
  cmdencrypt.is_default = true;
  cmdbrowse2.tool_tip = "Browse";
  for (ui::Control* hidden :
       std::initializer_list<ui::Control*>{&cmdAbort, &lblprogress, &ProgressBar, &lblerr}) {
    hidden->Design(false, true);
  }
  lblerr.design_fore_color = ui::kRed;
  lblerr.bold = true;
  txtrelock.max_length = 3;
  chkLock3Party.tool_tip = "Inc. Firefox, Netscape and Opera";

  on_load = [this] { OnLoad(); };
  on_activate = [this] { OnActivate(); };
  on_query_unload = [this](ui::UnloadRequest& request) { OnQueryUnload(request); };
  on_message = [this](std::uint32_t message, std::uintptr_t /*wparam*/, std::intptr_t lparam) {
    OnTrayMessage(message, lparam);
  };
  Timer1.on_timer = [this] { Timer1.setTimerEnabled(false); };
  timerInstance.on_timer = [this] { InstanceTick(); };
  cmdcancel.on_click = [this] {
    program_.globals().configAuthorised = false;
    cmdcancel.setCaption("Cancel");
    Hide();
  };
  cmdsetpassword.on_click = [this] {
    program_.RaiseLock({.reason = engine::reason::kPassword, .window = platform::kNoWindow});
  };
  cmdExit.on_click = [this] { Exit(); };
  cmdhelp.on_click = [this] { OpenHelp(); };
  cmdupdate.on_click = [this] { UpdateCheck(); };
  cmdDirlatch.on_click = [this] { LockFolder(); };
  cmdok.on_click = [this] { Apply(); };
  cmdIgnore.on_click = [this] { program_.frmignore.Open(); };
  chkAdmin.on_click = [this] { AdminClick(); };
  txtrelock.on_change = [this] { RelockChange(); };
  cmdencrypt.on_click = [this] { RunEncryption(false); };
  cmddecrypt.on_click = [this] { RunEncryption(true); };
  cmdAbort.on_click = [this] { RSPEncrypt1->Abort(); };
  cmdbrowse2.on_click = [this] { BrowseForEncryptionPath(); };
  HostEncryptionComponent(
      std::make_unique<engine::FileEncryption>(program.os().loop, program.os().files, program.os().crypto));
  WireSharing();
  cmdadd.on_click = [this] { AddTask(); };
  cmddel.on_click = [this] { RemoveTask(); };
  lstTasks.on_key_down = [this](int key_code) { TasksKeyDown(key_code); };
  lstTasks.on_mouse_down = [this](int button) {
    if (button == ui::kRightButton) CountTasks();
  };
  // Terminate: the icon goes with the window, and so does the program.
  on_unload = [this] {
    program_.os().shell.DeleteTrayIcon(program_.trayIcon());
    loop().Quit(0);
  };
}

}  // namespace app
