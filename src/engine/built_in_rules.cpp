// The built-in protection rules.
#include "engine/built_in_rules.h"

#include <algorithm>
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

std::vector<WindowId> BuiltInRules::VisibleWindowsOf(const ProgramWindows& program) {
  platform::TextService& text = context_.os.text;
  const auto any_equal = [&](const std::vector<std::string_view>& names, const std::string& value) {
    const std::string lower = text.LowerCase(value);
    return std::ranges::any_of(names, [&](std::string_view name) { return text.LowerCase(name) == lower; });
  };
  std::vector<WindowId> found;
  for (const platform::TopLevelWindow& window : context_.os.windows.TopLevelWindows()) {
    if (window.visible &&
        (any_equal(program.classes, window.class_name) || any_equal(program.titles, window.title)))
      found.push_back(window.id);
  }
  return found;
}

void BuiltInRules::RunAdvanced(WindowId foregroundWindow, std::string_view foregroundTitle) {
  Globals& g = context_.globals;
  platform::WindowService& windows = context_.os.windows;

  // Hides the window (minimises one that refuses), records the lock and
  // raises the prompt unless it is already showing. The program's own
  // windows are never locked.
  const auto lock = [&](WindowId window, std::string_view code, std::string_view entry, bool hide) {
    if (window != platform::kNoWindow && (windows.IsOwnWindow(window) || locks_.Holds(window))) return;
    if (hide) locks_.HideLocked(window, code);
    locks_.RaiseLock({.reason = code, .entry = entry, .window = window, .only_if_hidden = true});
  };

  if (!g.uninstallAllowed && FoundIn("Uninstall Kestrove Pro", foregroundTitle)) {
    lock(platform::kNoWindow, reason::kUninstall, "Uninstall Kestrove Pro", false);
  }
  if (g.ruleRegistryTools && FoundIn("Registry Editor", foregroundTitle)) {
    lock(foregroundWindow, reason::kRegistry, "Registry Tools", true);
  }
  // Every window of a protected program is locked, not only the first of its
  // class: the one hidden before would be found again on every tick while a
  // second one stayed in use.
  const auto lock_all = [&](const ProgramWindows& program, std::string_view code, std::string_view entry) {
    for (const WindowId window : VisibleWindowsOf(program)) lock(window, code, entry, true);
  };
  if (g.ruleIE == 1) {
    lock_all({.classes = {"IEFrame"}}, reason::kIE, "Internet Explorer");
  } else if (g.ruleIE == 2 && windows.FindByClass("IEFrame") == platform::kNoWindow) {
    // Unlocked until the last window closed: the next one is locked again.
    g.ruleIE = 1;
  }
  if (g.ruleBrowsers) {
    // Firefox's windows took the class "MozillaWindowClass" from version 4 on.
    lock_all({.classes = {"MozillaUIWindowClass", "MozillaWindowClass"}}, reason::kFirefox,
             "Mozilla Firefox");
  }
  if (g.ruleExplorer) {
    lock_all({.classes = {"ExploreWClass", "CabinetWClass"}}, reason::kExplorer, "Windows Explorer");
  }
  if (g.ruleTaskManager) {
    // Since Windows 8 Task Manager is titled "Task Manager", in a window of
    // class "TaskManagerWindow" whatever the language of its title.
    lock_all({.classes = {"TaskManagerWindow"}, .titles = {"Windows Task Manager", "Task Manager"}},
             reason::kTaskManager, "Windows Task Manager");
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
