// The watch cycle: once a second, read the foreground window and hide it
// under the title "###" when its title holds an active task entry, then trim
// the allow list and run the built-in rules.
#include "app/failure_report.h"
#include "app/program.h"
#include "engine/text_match.h"

namespace app {

using platform::ShowCommand;

void FrmKestrove::WatchTick() {
  RunReportingTickFailure(program_, [this] {
    RunProgramMaintenace();
    if (program_.globals.userUnrestricted) return;
    WatchScan();
    CleanUpWindows();
    RunAdvanced();
  });
}

void FrmKestrove::WatchScan() {
  platform::WindowService& windows = program_.os.windows;
  platform::EventLoop& loop = program_.os.loop;

  foregroundWindow = windows.Foreground();
  // The program's own windows (the prompt, the configuration, its message
  // boxes) are never locked: to the watch they are no window at all.
  if (foregroundWindow != platform::kNoWindow && windows.IsOwnWindow(foregroundWindow)) {
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
    if (!engine::FoundIn(entry, foregroundTitle)) continue;

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
      ignored = engine::FoundIn(lstignore.list(k), entry);
    }
    if (ignored) continue;

    windows.SetTitle(foregroundWindow, "###");
    // A window that refuses to be hidden is minimised instead.
    if (!windows.ShowAsync(foregroundWindow, ShowCommand::kHide)) {
      windows.ShowAsync(foregroundWindow, ShowCommand::kMinimize);
    }
    program_.RaiseLock({.reason = engine::reason::kApp,
                        .entry = entry,
                        .window = foregroundWindow,
                        .window_class = foregroundClass});
  }
}

void FrmKestrove::RunProgramMaintenace() {
  engine::Globals& g = program_.globals;
  // A load or save still running: the reload waits for the next tick.
  if (!g.reloadPending || loading_ || saving_) return;
  g.reloadPending = false;
  lstignore.clear();
  GetConfig();
}

// Keeps an allowed class while any top-level window of it exists; at most one
// stale row leaves the list per tick.
void FrmKestrove::CleanUpWindows() {
  const int count = lstAllow.listCount();
  for (int j = 0; j < count; ++j) {
    program_.os.loop.DoEvents();
    if (program_.os.windows.FindByClass(lstAllow.list(j)) == platform::kNoWindow) {
      lstAllow.removeItem(j);
      return;
    }
  }
}

}  // namespace app
