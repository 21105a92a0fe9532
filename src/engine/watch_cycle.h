// The watch cycle: once a second, read the foreground window and hide it
// under the title "###" when its title holds an active task entry, then trim
// the allow list and run the built-in rules. Works on the lists it is given:
// the main window's lstTasks, lstAllow and lstignore.
#pragma once

#include <string>

#include "engine/built_in_rules.h"
#include "engine/context.h"
#include "engine/locks.h"
#include "ui/control.h"

namespace engine {

class WatchCycle {
 public:
  WatchCycle(Context& context, Locks& locks, ui::CheckListBox& tasks, ui::ListBox& allow_list,
             ui::ListBox& ignore_list);

  // timerKestrove's tick; a failure is shown in the message dialog.
  void WatchTick();
  // A reload asked for (reloadPending) is carried out, unless a load or a
  // save still runs: then it waits for the next tick.
  void RunProgramMaintenace();
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
  void WatchScan();

  Context& context_;
  Locks& locks_;
  ui::CheckListBox& lstTasks;
  ui::ListBox& lstAllow;
  ui::ListBox& lstignore;
};

}  // namespace engine
