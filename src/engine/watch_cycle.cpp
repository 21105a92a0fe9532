// The watch cycle.
#include "engine/watch_cycle.h"

#include <cstdint>
#include <string_view>

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
    // One pace for the whole tick: its loops yield once every few
    // milliseconds of work between them, not at every row.
    platform::YieldPacer pacer(context_.os.loop);
    WatchScan(pacer);
    CleanUpWindows(pacer);
    rules.RunAdvanced(foregroundWindow, foregroundTitle);
  });
  // After the scan, so that a protected window that came forward is locked
  // before the prompt takes the front back from it.
  locks_.Hold();
}

void WatchCycle::WatchScan(platform::YieldPacer& pacer) {
  platform::WindowService& windows = context_.os.windows;

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
  // Rows are read in place, never copied: only a yield can change a list, so
  // the entry is copied out of its row just before one (held_entry_ keeps
  // its buffer from tick to tick).
  // The allow test depends only on the foreground window: its answer holds
  // for every task row until the next yield, which may change the list.
  bool allowed = false;
  bool allowed_known = false;
  std::uint64_t allowed_since = 0;  // the yield count the answer holds at
  const int task_count = lstTasks.listCount();
  for (int i = 0; i < task_count; ++i) {
    pacer.Poll();
    if (!lstTasks.selected(i)) continue;
    std::string_view entry = lstTasks.list(i);
    if (!FoundIn(entry, foregroundTitle)) continue;
    const auto yield_keeping_entry = [&] {
      if (!pacer.Due()) return;
      held_entry_.assign(entry);
      entry = held_entry_;
      pacer.YieldNow();
    };

    if (!allowed_known || allowed_since != pacer.yields()) {
      allowed_since = pacer.yields();
      allowed = false;
      const int allow_count = lstAllow.listCount();
      for (int j = 0; j < allow_count && !allowed; ++j) {
        yield_keeping_entry();
        const std::string& row = lstAllow.list(j);
        allowed = row == foregroundClass || row == foregroundTitle;
      }
      allowed_known = true;
    }
    if (allowed) continue;

    // Ignore entries are searched in the task entry, not in the title.
    bool ignored = false;
    const int ignore_count = lstignore.listCount();
    for (int k = 0; k < ignore_count && !ignored; ++k) {
      yield_keeping_entry();
      ignored = FoundIn(lstignore.list(k), entry);
    }
    if (ignored) continue;

    // Renaming another program's window waits for it, and our thread answers
    // messages sent to it meanwhile: the entry is taken out of the list first.
    std::string locked_entry(entry);
    windows.SetTitle(foregroundWindow, "###");
    locks_.HideLocked(foregroundWindow, reason::kApp);
    locks_.RaiseLock({.reason = reason::kApp,
                      .entry = std::move(locked_entry),
                      .window = foregroundWindow,
                      .window_class = foregroundClass,
                      .title = foregroundTitle});
    allowed_known = false;
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
  platform::YieldPacer pacer(context_.os.loop);
  CleanUpWindows(pacer);
}

void WatchCycle::CleanUpWindows(platform::YieldPacer& pacer) {
  const int count = lstAllow.listCount();
  for (int j = 0; j < count; ++j) {
    pacer.Poll();
    if (context_.os.windows.FindByClass(lstAllow.list(j)) == platform::kNoWindow) {
      lstAllow.removeItem(j);
      return;
    }
  }
}

}  // namespace engine
