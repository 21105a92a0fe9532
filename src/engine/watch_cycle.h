// The watch cycle: once a second, read the foreground window and hide it
// under the title "###" when its title holds an active task entry, then trim
// the allow list and run the built-in rules. Works on the lists it is given:
// the main window's lstTasks, lstAllow and lstignore.
#pragma once

#include <string>

#include "config/load_save_state.h"
#include "engine/built_in_rules.h"
#include "engine/context.h"
#include "engine/locks.h"
#include "platform/event_loop.h"
#include "ui/control.h"

namespace engine {

class WatchCycle {
 public:
  // load_save: whether the configuration is loaded, or a load or a save
  // runs (kept by the main window).
  WatchCycle(Context& context, Locks& locks, const config::LoadSaveState& load_save, ui::CheckListBox& tasks,
             ui::ListBox& allow_list, ui::ListBox& ignore_list);

  // timerKestrove's tick; a failure is shown in the message dialog. A tick
  // that is still yielding is not entered again.
  void WatchTick();
  // tmrForeground's tick, many times a second: when the foreground window or
  // its title changed since the last look, the watch tick runs at once, so a
  // protected window is hidden before its content can be read. Reads only
  // the window's handle and title, which sends the window nothing: a hung
  // program cannot stall it.
  void ForegroundCheck();
  // A reload asked for (reloadPending) is carried out, unless a load or a
  // save still runs: then it waits for the next tick.
  void RunProgramMaintenace();
  // Reload the configuration at the next watch tick: asked for by a load or
  // a save that could not run at once, or by a change stored elsewhere.
  void RequestReload() { reloadPending_ = true; }
  [[nodiscard]] bool reloadPending() const { return reloadPending_; }
  // Keeps an allowed class while any top-level window of it exists; at most
  // one stale row leaves the list per tick.
  void CleanUpWindows();

  // Watch fields, read once by every scanning tick; the built-in rules read
  // them in the same tick.
  platform::WindowId foregroundWindow = platform::kNoWindow;
  std::string foregroundTitle;
  std::string foregroundClass;

  BuiltInRules rules;

 private:
  void WatchScan(platform::YieldPacer& pacer);
  void CleanUpWindows(platform::YieldPacer& pacer);
  // What the last look saw in the foreground.
  void Remember(platform::WindowId window, std::string title);

  Context& context_;
  Locks& locks_;
  const config::LoadSaveState& loadSave_;
  ui::CheckListBox& lstTasks;
  ui::ListBox& lstAllow;
  ui::ListBox& lstignore;
  bool in_tick_ = false;
  bool reloadPending_ = false;
  platform::WindowId seen_window_ = platform::kNoWindow;
  std::string seen_title_;
  // The task entry being tested, copied out of its row when the scan yields.
  std::string held_entry_;
};

}  // namespace engine
