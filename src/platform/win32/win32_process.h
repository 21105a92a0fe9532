// This process as the desktop sees it, over user32 and kernel32.
#pragma once

#include <windows.h>

#include "platform/process_service.h"
#include "platform/win32/unique_handle.h"

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
  [[noreturn]] void EndProcess() override;
  // A named mutex per executable path: the first copy creates it and holds it
  // until it ends; a later copy finds it already there.
  bool AnotherInstanceRunning() override;
  void ReleaseInstanceClaim() override;
  // Whether a copy of the executable at that path runs in this session and
  // holds its claim (what AnotherInstanceRunning sees), asked from outside
  // without claiming anything: the updater asks it of the program.
  static bool InstanceRunning(const std::wstring& executable_path);
  std::string ExecutableFolder() override;
  ProgramVersion ExecutableVersion() override;
  bool Start(std::string_view path, ShowCommand show) override;
  RunResult RunSystemProgram(std::string_view program, std::string_view arguments, ShowCommand show,
                             std::uint32_t timeout_ms) override;
  // Creates the named event the uninstaller looks for and holds it until
  // this process ends.
  void AnnounceUninstallAllowed() override;
  // This executable's full path, however long the folders above it are;
  // empty when Windows cannot tell.
  static std::wstring ExecutablePath();

 private:
  void HideOwner();
  // The claim's mutex name for an executable: one per file, however the
  // path that started it is spelt.
  static std::wstring InstanceName(const std::wstring& executable_path);

  HWND owner_ = nullptr;  // not owned: the renderer creates and destroys it
  bool hidden_ = false;
  UniqueKernelHandle instance_mutex_;
  bool another_instance_ = false;
  UniqueKernelHandle uninstall_allowed_;
};

}  // namespace platform::win32
