// The built-in protection rules.
#include "engine/built_in_rules.h"

#include <array>

#include "engine/text_match.h"

namespace engine {

using platform::ShowCommand;
using platform::WindowId;

namespace {

// Titles that look like an installer's, tried in this order.
constexpr std::array<std::string_view, 5> kInstallerTexts = {"Install", "License Agreement", "install",
                                                             "setup", "Setup"};

}  // namespace

void BuiltInRules::RunAdvanced(WindowId foregroundWindow, std::string_view foregroundTitle) {
  Globals& g = context_.globals;
  platform::WindowService& windows = context_.os.windows;

  // Hides the window (minimises one that refuses), records the lock and
  // raises the prompt unless it is already showing. The program's own
  // windows are never locked.
  const auto lock = [&](WindowId window, std::string_view code, std::string_view entry, bool hide) {
    if (window != platform::kNoWindow && windows.IsOwnWindow(window)) return;
    if (hide) locks_.HideLocked(window);
    locks_.RaiseLock({.reason = code, .entry = entry, .window = window, .only_if_hidden = true});
  };

  if (!g.uninstallAllowed && FoundIn("Uninstall Kestrove Pro", foregroundTitle)) {
    lock(platform::kNoWindow, reason::kUninstall, "Uninstall Kestrove Pro", false);
  }
  if (g.ruleRegistryTools && FoundIn("Registry Editor", foregroundTitle)) {
    lock(foregroundWindow, reason::kRegistry, "Registry Tools", true);
  }
  if (g.ruleIE == 1) {
    if (const WindowId ie = windows.FindByClass("IEFrame")) lock(ie, reason::kIE, "Internet Explorer", true);
  } else if (g.ruleIE == 2 && windows.FindByClass("IEFrame") == platform::kNoWindow) {
    // Unlocked until the last window closed: the next one is locked again.
    g.ruleIE = 1;
  }
  if (g.ruleBrowsers) {
    // Firefox's windows took the class "MozillaWindowClass" from version 4 on.
    WindowId browser = windows.FindByClass("MozillaUIWindowClass");
    if (browser == platform::kNoWindow) browser = windows.FindByClass("MozillaWindowClass");
    if (browser != platform::kNoWindow) lock(browser, reason::kFirefox, "Mozilla Firefox", true);
  }
  if (g.ruleExplorer) {
    WindowId explorer = windows.FindByClass("ExploreWClass");
    if (explorer == platform::kNoWindow) explorer = windows.FindByClass("CabinetWClass");
    if (explorer != platform::kNoWindow) lock(explorer, reason::kExplorer, "Windows Explorer", true);
  }
  if (g.ruleTaskManager) {
    // Since Windows 8 Task Manager is titled "Task Manager", in a window of
    // class "TaskManagerWindow" whatever the language of its title.
    WindowId task_manager = windows.FindByTitle("Windows Task Manager");
    if (task_manager == platform::kNoWindow) task_manager = windows.FindByClass("TaskManagerWindow");
    if (task_manager == platform::kNoWindow) task_manager = windows.FindByTitle("Task Manager");
    if (task_manager != platform::kNoWindow) {
      lock(task_manager, reason::kTaskManager, "Windows Task Manager", true);
    }
  }
  if (g.ruleInstall) {
    bool installer = false;
    for (const std::string_view text : kInstallerTexts) {
      if (FoundIn(text, foregroundTitle)) {
        installer = true;
        break;
      }
    }
    if (!installer) return;
    // No window is recorded: the prompt's right password shows and restores
    // lockedWindow and then posts it WM_CLOSE, which must never reach the
    // installer the user just allowed.
    locks_.RaiseLock(
        {.reason = reason::kInstall, .entry = "Installation Program", .window = platform::kNoWindow});
    if (const WindowId switcher = windows.FindByClass("TaskSwitcherWnd")) windows.PostClose(switcher);
  }
}

}  // namespace engine
