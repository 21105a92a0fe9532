// The Tasks tab's editing of the protected task list: Browse... adds the
// text chosen in the window browser, Remove and the Delete key remove the
// highlighted row, and the right mouse button recounts.
#include <string>

#include "app/program.h"
#include "engine/failure_report.h"

namespace app {
namespace {

// The list holds at most this many tasks (the stored values Task0 to
// Task999 leave room for one more, which is never used).
constexpr int kMaxTasks = 999;
constexpr std::string_view kTaskListTitle = "Kestrove Pro 2011";

}  // namespace

void FrmKestrove::AddTask() {
  FrmLock& browser = program_.frmLock;
  // Any failure ends the procedure without a message, the list as it is.
  engine::SkipOnFailure([&] {
    if (lstTasks.listCount() >= kMaxTasks) {
      program_.os().dialogs.ShowMessageBox(
          window(), "The maximum number of Tasks has been reached.\rDelete some Tasks to continue.",
          kTaskListTitle, platform::box::kOk | platform::box::kIconExclamation);
      return;
    }
    setEnabled(false);
    browser.ShowCentredOn(*this);
    // The browser re-enables this window when it closes. A program that ends
    // meanwhile (this window unloaded) stops the wait: its queue then holds
    // only the request to quit.
    while (browser.visible() && loaded()) loop().WaitForEvents();
    if (!loaded()) return;

    std::string& pending = program_.globals().PendingTask;
    if (!pending.empty()) {
      bool exists = false;
      const int count = lstTasks.listCount();
      for (int row = 0; row < count && !exists; ++row) exists = lstTasks.list(row) == pending;
      if (exists) {
        pending.clear();
        program_.os().dialogs.ShowMessageBox(window(), "Task already exists.", kTaskListTitle,
                                             platform::box::kOk | platform::box::kIconInformation);
      } else {
        lstTasks.insertItem(0, pending);
        lstTasks.setSelected(0, true);
      }
    }
    CountTasks();
  });
  // A browser that failed to open cannot give this window back.
  if (!browser.loaded()) setEnabled(true);
}

void FrmKestrove::RemoveTask() {
  const int row = lstTasks.listIndex();
  if (row >= 0) lstTasks.removeItem(row);
}

void FrmKestrove::TasksKeyDown(int key_code) {
  if (key_code != ui::kKeyDelete) return;
  RemoveTask();
  CountTasks();
}

}  // namespace app
