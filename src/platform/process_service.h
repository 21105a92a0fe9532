// This process as the desktop sees it. Later features add starting programs,
// single-instance detection and the program's folder and version here.
#pragma once

namespace platform {

class ProcessService {
 public:
  virtual ~ProcessService() = default;

  // Keeps the program's windows out of the list of running applications
  // (the taskbar and the task switcher).
  virtual void HideFromTaskList() = 0;
  // Whether HideFromTaskList has been applied.
  virtual bool HiddenFromTaskList() = 0;
};

}  // namespace platform
