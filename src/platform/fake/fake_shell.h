// In-memory shell for host tests: the tray icon that is up, and every call.
#pragma once

#include <optional>
#include <vector>

#include "platform/process_service.h"
#include "platform/shell_service.h"

namespace platform::fake {

class FakeShell : public ShellService {
 public:
  bool AddTrayIcon(const TrayIconRecord& icon) override;
  bool DeleteTrayIcon(const TrayIconRecord& icon) override;

  // The icon that is up, if any.
  [[nodiscard]] const std::optional<TrayIconRecord>& tray_icon() const { return tray_icon_; }
  [[nodiscard]] int tray_adds() const { return adds_; }
  [[nodiscard]] int tray_deletes() const { return deletes_; }

 private:
  std::optional<TrayIconRecord> tray_icon_;
  int adds_ = 0;
  int deletes_ = 0;
};

class FakeProcess : public ProcessService {
 public:
  void HideFromTaskList() override { hidden_ = true; }
  bool HiddenFromTaskList() override { return hidden_; }

 private:
  bool hidden_ = false;
};

}  // namespace platform::fake
