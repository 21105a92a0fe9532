// This process as the desktop sees it: keeping off the task list, ending,
// starting other programs, another running copy, its folder and version.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace platform {

// How a program run to its end went.
struct RunResult {
  enum class Outcome {
    kNotStarted,  // no such program, or it could not be started
    kTimedOut,    // still running at the time limit, and stopped there
    kExited,
  };
  Outcome outcome = Outcome::kNotStarted;
  std::uint32_t exit_code = 0;  // when it exited
};

struct ProgramVersion {
  int major = 0;
  int minor = 0;
  int revision = 0;
};

class ProcessService {
 public:
  virtual ~ProcessService() = default;

  // Keeps the program's windows out of the list of running applications
  // (the taskbar and the task switcher).
  virtual void HideFromTaskList() = 0;
  // Whether HideFromTaskList has been applied.
  virtual bool HiddenFromTaskList() = 0;

  // Ends the process at once: no window handler and no timer runs again.
  [[noreturn]] virtual void EndProcess() = 0;
  // Whether another process of this same executable is running (started
  // before this one and still alive).
  virtual bool AnotherInstanceRunning() = 0;
  // Gives up this process's claim to be the running copy, so that a copy
  // started from now on does not take it for one, however long this one
  // takes to end.
  virtual void ReleaseInstanceClaim() = 0;
  // The executable's folder, with a trailing "\".
  virtual std::string ExecutableFolder() = 0;
  // The executable's version numbers.
  virtual ProgramVersion ExecutableVersion() = 0;
  // Starts a program (a path, quoted as needed) as a new process whose first
  // window is shown with `show`; false when it could not be started.
  virtual bool Start(std::string_view path, ShowCommand show) = 0;
  // Runs a program of the Windows system folder (a bare file name such as
  // "reg.exe", never looked for anywhere else) with the arguments, as a new
  // process whose window is shown with `show`, and waits for it to end, at
  // most timeout_ms; one still running then is stopped. The calling thread
  // waits: no event runs meanwhile.
  virtual RunResult RunSystemProgram(std::string_view program, std::string_view arguments, ShowCommand show,
                                     std::uint32_t timeout_ms) = 0;
  // Tells the program's uninstaller that the access password was given for
  // it: until this process ends, the uninstaller may end it and remove the
  // program. Failures are ignored (the uninstaller then refuses).
  virtual void AnnounceUninstallAllowed() = 0;
};

}  // namespace platform
