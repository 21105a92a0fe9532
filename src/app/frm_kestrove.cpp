// The main window's design: its controls, where they sit, and their wiring.
// The loader and the watch cycle live with their subsystems.
#include "app/frm_kestrove.h"

#include "app/program.h"

namespace app {
namespace {

// Client area 5760 x 4830 twips inside a fixed dialog border.
constexpr ui::Bounds kMainWindow{0, 0, 5850, 5325};

}  // namespace

FrmKestrove::FrmKestrove(ui::FormEnvironment env, Program& program)
    : ui::Form(env, "frmkestrove", "0", kMainWindow),
      lblSelectTask(*this, "lblSelectTask", ui::Bounds{240, 540, 5295, 255},
                    "Select a Task to Lock, or, click Browse."),
      lstTasks(*this, "lstTasks", ui::Bounds{240, 840, 5295, 2655}),
      lblTaskCount(*this, "lblTaskCount", ui::Bounds{3240, 3840, 2295, 255}, "Tasks Locked: 0"),
      chkTray(*this, "chkTray", ui::Bounds{480, 3000, 4815, 255}, "No Tray Icon"),
      chkAdmin(*this, "chkAdmin", ui::Bounds{240, 840, 5295, 435},
               "Administrator (this user account will not be restricted)"),
      chkTaskManager1(*this, "chkTaskManager1", ui::Bounds{480, 840, 2415, 255}, "Task Manager"),
      chkLockEx1(*this, "chkLockEx1", ui::Bounds{480, 1140, 2415, 255}, "Windows Explorer"),
      chkDisableRegistry(*this, "chkDisableRegistry", ui::Bounds{480, 1440, 2415, 255},
                         "Registry Editing Tools"),
      chklockinstall1(*this, "chklockinstall1", ui::Bounds{480, 1740, 2415, 255}, "Application Installation"),
      chkStartup(*this, "chkStartup", ui::Bounds{480, 2040, 2415, 255}, "Windows at Startup"),
      chkHideSM(*this, "chkHideSM", ui::Bounds{480, 2340, 2415, 255}, "Start Menu && Start Button"),
      chkLock3Party(*this, "chkLock3Party", ui::Bounds{480, 3000, 2415, 255}, "Third-Party Browers"),
      chkLockIE2(*this, "chkLockIE2", ui::Bounds{480, 3300, 2415, 255}, "Internet Explorer"),
      lstAllow(*this, "lstAllow", ui::Bounds{240, 5400, 2535, 1500}),
      lstignore(*this, "lstignore", ui::Bounds{2880, 5400, 2535, 1500}),
      timerKestrove(*this, "timerKestrove", 1000, false),
      program_(program) {
  border_style = ui::BorderStyle::kFixedDialog;
  min_button = false;
  max_button = false;
  show_in_taskbar = false;
  icon = "IDI_PROGRAM";
  timerKestrove.on_timer = [this] { WatchTick(); };
}

}  // namespace app
