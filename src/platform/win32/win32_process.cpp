// This process as the desktop sees it, over user32.
#include "platform/win32/win32_process.h"

namespace platform::win32 {

void Win32Process::SetOwnerWindow(HWND owner) {
  owner_ = owner;
  if (hidden_) HideOwner();
}

void Win32Process::HideFromTaskList() {
  hidden_ = true;
  HideOwner();
}

void Win32Process::HideOwner() {
  if (owner_ != nullptr && ::IsWindow(owner_) != FALSE) ::ShowWindow(owner_, SW_HIDE);
}

}  // namespace platform::win32
