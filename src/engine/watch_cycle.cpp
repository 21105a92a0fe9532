// The watch cycle.
#include "engine/watch_cycle.h"

#include "engine/failure_report.h"
#include "engine/text_match.h"

namespace engine {

using platform::ShowCommand;

WatchCycle::WatchCycle(Context& context, Locks& locks, const config::LoadSaveState& load_save,
                       ui::CheckListBox& tasks, ui::ListBox& allow_list, ui::ListBox& ignore_list)
    : rules(context, locks),
      context_(context),
      locks_(locks),
      loadSave_(load_save),
      lstTasks(tasks),
      lstAllow(allow_list),
      lstignore(ignore_list) {}

void WatchCycle::WatchTick() {
  if (in_tick_) return;
  const ScopedFlag ticking(in_tick_);
  RunReportingTickFailure(context_.app, [this] {
    RunProgramMaintenace();
    // Nothing is locked before the configuration (and its password) is in
    // force; the maintenance above retries a first load that failed.
    if (!loadSave_.configLoaded() || context_.globals.userUnrestricted) return;
    WatchScan();
    CleanUpWindows();
    rules.RunAdvanced(foregroundWindow, foregroundTitle);
  });
  // After the scan, so that a protected window that came forward is locked
  // before the prompt takes the front back from it.
  locks_.Hold();
}

void WatchCycle::WatchScan() {
  platform::WindowService& windows = context_.os.windows;
  platform::EventLoop& loop = context_.os.loop;

  foregroundWindow = windows.Foreground();
  Remember(foregroundWindow, foregroundWindow != platform::kNoWindow ? windows.Title(foregroundWindow) : "");
  // The program's own windows (the prompt, the configuration, its message
  // boxes) are never locked: to the watch they are no window at all.
  if (foregroundWindow != platform::kNoWindow && windows.IsOwnWindow(foregroundWindow)) {
    foregroundWindow = platform::kNoWindow;
  }
  // A window a lock holds already is hidden again (Locks::Hold), not locked
  // anew: its title may still match (a hung program never took "###", or its
  // program put its title back), and a new lock would take the prompt from
  // the newest one, after waiting on a hung program once more.
  if (foregroundWindow != platform::kNoWindow && locks_.Holds(foregroundWindow)) {
    foregroundWindow = platform::kNoWindow;
  }
  foregroundTitle = foregroundWindow != platform::kNoWindow ? windows.Title(foregroundWindow) : "";
  foregroundClass = foregroundWindow != platform::kNoWindow ? windows.ClassName(foregroundWindow) : "";

  // Row counts are taken once per loop; the lists may change while it yields.
  const int task_count = lstTasks.listCount();
  for (int i = 0; i < task_count; ++i) {
    loop.DoEvents();
    if (!lstTasks.selected(i)) continue;
    const std::string entry = lstTasks.list(i);
    if (!FoundIn(entry, foregroundTitle)) continue;

    bool allowed = false;
    const int allow_count = lstAllow.listCount();
    for (int j = 0; j < allow_count && !allowed; ++j) {
      loop.DoEvents();
      const std::string& row = lstAllow.list(j);
      allowed = row == foregroundClass || row == foregroundTitle;
    }
    if (allowed) continue;

    // Ignore entries are searched in the task entry, not in the title.
    bool ignored = false;
    const int ignore_count = lstignore.listCount();
    for (int k = 0; k < ignore_count && !ignored; ++k) {
      loop.DoEvents();
      ignored = FoundIn(lstignore.list(k), entry);
    }
    if (ignored) continue;

    windows.SetTitle(foregroundWindow, "###");
    locks_.HideLocked(foregroundWindow, reason::kApp);
    locks_.RaiseLock({.reason = reason::kApp,
                      .entry = entry,
                      .window = foregroundWindow,
                      .window_class = foregroundClass,
                      .title = foregroundTitle});
  }
}

void WatchCycle::ForegroundCheck() {
  // Every look holds the locks, even while a tick yields: nothing a lock
  // hid or covers stays in sight for longer than one look.
  // A tick under way reads the foreground itself; look again afterwards.
  if (in_tick_) {
    locks_.Hold();
    return;
  }
  platform::WindowService& windows = context_.os.windows;
  const platform::WindowId window = windows.Foreground();
  std::string title = window != platform::kNoWindow ? windows.Title(window) : "";
  if (window == seen_window_ && title == seen_title_) {
    locks_.Hold();
    return;
  }
  Remember(window, std::move(title));
  WatchTick();
}

void WatchCycle::Remember(platform::WindowId window, std::string title) {
  seen_window_ = window;
  seen_title_ = std::move(title);
}

void WatchCycle::RunProgramMaintenace() {
  if (!reloadPending_ || loadSave_.busy()) return;
  reloadPending_ = false;
  // The load puts a whole new ignore list in place at its end.
  context_.app.ReloadConfiguration();
}

void WatchCycle::CleanUpWindows() {
  const int count = lstAllow.listCount();
  for (int j = 0; j < count; ++j) {
    context_.os.loop.DoEvents();
    if (context_.os.windows.FindByClass(lstAllow.list(j)) == platform::kNoWindow) {
      lstAllow.removeItem(j);
      return;
    }
  }
}

}  // namespace engine
