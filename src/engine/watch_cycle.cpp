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
  engine::Globals& g = program_.globals;
  platform::WindowService& windows = program_.os.windows;
  platform::EventLoop& loop = program_.os.loop;

  foregroundWindow = windows.Foreground();
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
    g.lockedWindow = foregroundWindow;
    g.lockedTaskEntry = entry;
    g.lockedWindowClass = foregroundClass;
    // A window that refuses to be hidden is minimised instead.
    if (!windows.ShowAsync(g.lockedWindow, ShowCommand::kHide)) {
      windows.ShowAsync(g.lockedWindow, ShowCommand::kMinimize);
    }
    g.lockReason = engine::reason::kApp;
    program_.ShowUnlockPrompt();
  }
}

void FrmKestrove::RunProgramMaintenace() {
  engine::Globals& g = program_.globals;
  if (!g.reloadPending) return;
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
