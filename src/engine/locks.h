// Where every lock ends: the unlock prompt with its black cover and the
// placeholder window, and RaiseLock, the one way a lock is raised.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/context.h"
#include "engine/frm_blank.h"
#include "engine/frm_dummy.h"
#include "engine/frm_password.h"
#include "ui/control.h"
#include "ui/form.h"

namespace engine {

class Locks {
 public:
  // allow_list: the main window's lstAllow, where a task unlock puts the
  // window's class.
  // load_save: whether the configuration is loaded yet (kept by the main
  // window); before that the prompt checks no password.
  Locks(ui::FormEnvironment env, Context& context, const config::LoadSaveState& load_save,
        ui::ListBox& allow_list);

  // Raises a lock: fills the lock record and shows the prompt, which answers
  // the newest lock. A lock that must not be cancelled disables the prompt's
  // Cancel until the password is given. Callers never pass a window of the
  // program's own (WindowService::IsOwnWindow).
  void RaiseLock(const LockRequest& request);
  // Shows the unlock prompt for the lock in the record (loading it first when
  // it is not loaded) and returns at once; a failure is ignored. One that is
  // already open comes to the front. While the prompt's own message box is up
  // it waits: the prompt comes back for the newest lock when the box closes.
  void ShowUnlockPrompt();
  // Hides a window for a lock of that reason (minimises one that refuses)
  // and keeps it hidden until the lock is answered (Release) or the window is
  // gone.
  void HideLocked(platform::WindowId window, std::string_view reason);
  // Whether a lock not answered yet hid `window` (it is kept hidden).
  [[nodiscard]] bool Holds(platform::WindowId window) const;
  // The right password answered the lock of `window`: it may be shown again.
  void Release(platform::WindowId window);
  // The right password switched off the rule of that reason: every window it
  // hid may be shown again; returns them.
  std::vector<platform::WindowId> ReleaseAll(std::string_view reason);
  // Run at every foreground check: what a lock hid stays hidden, and the
  // prompt with its cover holds the screen (KeepInSight).
  void Hold();
  // While a lock is pending the prompt and its cover stay in sight: shown
  // again when another program hid or minimised them, the cover over the
  // whole virtual screen above every other program's window, the prompt
  // above it where it was first shown and, while another program's window
  // is in the foreground, the prompt brought to the front.
  void KeepInSight();
  // A window of the program that stays usable over the cover while it is
  // shown (the message dialog, the placeholder window).
  void KeepUsableDuringLocks(const ui::Form& form) { usable_.push_back(&form); }

  // The lock record, as the newest lock and the prompt's answers left it.
  [[nodiscard]] const LockRecord& record() const { return record_; }

  FrmPassword frmPassword;
  FrmBlank frmblank;
  FrmDummy frmDummy;

 private:
  // The prompt's answers are the only other writers of the record.
  friend class FrmPassword;
  // The set-password dialogue asks for the confirmation, or Cancel closes
  // the locked window: the prompt's next OK acts on that reason.
  void SetReason(std::string_view reason) { record_.lockReason = reason; }
  // A task's unlock has shown its window again: no later unlock or Cancel
  // touches it.
  void ForgetWindow() { record_.lockedWindow = platform::kNoWindow; }
  // The prompt was answered or closed: no lock is pending, and the next one
  // may be cancelled unless it says otherwise.
  void Clear() {
    record_.lockReason.clear();
    record_.lockCancellable = true;
  }

  // Whether another program's window lies over the cover, or the prompt
  // under it.
  [[nodiscard]] bool CoverBuriedOrPromptUnder();
  // Puts the cover back over the whole screen at the top, then the
  // program's own windows that lay above it, the prompt last.
  void RestoreCover();

  // The program's own windows on screen that must lie over the cover.
  [[nodiscard]] std::vector<platform::WindowId> UsableShown() const;

  Context& context_;
  LockRecord record_;
  std::vector<const ui::Form*> usable_;
  // Hidden by a lock not answered yet; each stays until Release or its end.
  struct Held {
    platform::WindowId window;
    std::string reason;
  };
  std::vector<Held> hidden_;
  // Where the prompt window of that id was first shown.
  platform::WindowId prompt_window_ = platform::kNoWindow;
  platform::ScreenRect prompt_rect_;
};

}  // namespace engine
