// This process as the desktop sees it.
#pragma once

#include <windows.h>

#include "platform/process_service.h"

namespace platform::win32 {

// Keeping off the taskbar and the task switcher: every form is created owned
// by one hidden owner window (the form renderer does that), and Windows lists
// only visible unowned windows. So hiding from the task list is hiding that
// owner window and remembering that it was asked for; the forms need nothing.
class Win32Process : public ProcessService {
 public:
  // Registers the owner window of every form; when hiding was already asked
  // for, the window is hidden at once.
  void SetOwnerWindow(HWND owner);
  [[nodiscard]] HWND owner_window() const { return owner_; }

  void HideFromTaskList() override;
  bool HiddenFromTaskList() override { return hidden_; }

 private:
  void HideOwner();

  HWND owner_ = nullptr;  // not owned: the renderer creates and destroys it
  bool hidden_ = false;
};

}  // namespace platform::win32
