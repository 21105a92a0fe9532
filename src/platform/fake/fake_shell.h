// In-memory shell and process for host tests: the tray icon that is up,
// files opened, the folder browser's answers, programs started or run to
// their end, the end of the process.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/process_service.h"
#include "platform/shell_service.h"

namespace platform::fake {

class FakeShell : public ShellService {
 public:
  bool AddTrayIcon(const TrayIconRecord& icon) override;
  bool DeleteTrayIcon(const TrayIconRecord& icon) override;
  int Open(WindowId owner, std::string_view file, std::string_view parameters, std::string_view directory,
           ShowCommand show) override;
  std::string BrowseForFolder(WindowId owner, std::uint32_t flags,
                              std::optional<std::string_view> title) override;

  // The icon that is up, if any.
  [[nodiscard]] const std::optional<TrayIconRecord>& tray_icon() const { return tray_icon_; }
  [[nodiscard]] int tray_adds() const { return adds_; }
  [[nodiscard]] int tray_deletes() const { return deletes_; }

  struct OpenCall {
    WindowId owner;
    std::string file;
    ShowCommand show;
  };
  [[nodiscard]] const std::vector<OpenCall>& opened() const { return opened_; }
  // The result code Open returns (above 32: success).
  int open_result = 42;
  // Open fails with a run-time failure instead of returning.
  bool open_throws = false;

  struct BrowseCall {
    WindowId owner;
    std::uint32_t flags;
    std::optional<std::string> title;
  };
  [[nodiscard]] const std::vector<BrowseCall>& browsed() const { return browsed_; }
  // What the user picks in the next folder browsers ("" = Cancel); empty
  // queue: Cancel.
  std::deque<std::string> browse_answers;

 private:
  std::optional<TrayIconRecord> tray_icon_;
  int adds_ = 0;
  int deletes_ = 0;
  std::vector<OpenCall> opened_;
  std::vector<BrowseCall> browsed_;
};

// Thrown by FakeProcess::EndProcess in place of ending the test; it is not a
// std::exception, so no handler's failure trap swallows it.
struct ProcessEnded {};

class FakeProcess : public ProcessService {
 public:
  void HideFromTaskList() override { hidden_ = true; }
  bool HiddenFromTaskList() override { return hidden_; }
  [[noreturn]] void EndProcess() override;
  bool AnotherInstanceRunning() override { return another_instance; }
  void ReleaseInstanceClaim() override { claim_released_before_starts = started_.size(); }
  std::string ExecutableFolder() override { return folder; }
  ProgramVersion ExecutableVersion() override { return version; }
  bool Start(std::string_view path, ShowCommand show) override;
  RunResult RunSystemProgram(std::string_view program, std::string_view arguments, ShowCommand show,
                             std::uint32_t timeout_ms) override;
  void AnnounceUninstallAllowed() override { uninstall_announced = true; }

  bool another_instance = false;
  bool uninstall_announced = false;
  std::string folder = "C:\\Program Files\\Kestrove Pro\\";
  ProgramVersion version{7, 6, 3};
  bool start_result = true;
  // How many programs had been started when the claim was given up; nullopt
  // while it is held.
  std::optional<std::size_t> claim_released_before_starts;

  struct StartCall {
    std::string path;
    ShowCommand show;
  };
  [[nodiscard]] const std::vector<StartCall>& started() const { return started_; }

  struct RunCall {
    std::string program;
    std::string arguments;
    ShowCommand show;
    std::uint32_t timeout_ms;
  };
  [[nodiscard]] const std::vector<RunCall>& runs() const { return runs_; }
  // Plays the program that is run (e.g. the registry tool writing the fake
  // registry); unset: it exits with 0 at once.
  std::function<RunResult(const RunCall&)> on_run;
  [[nodiscard]] bool ended() const { return ended_; }

 private:
  bool hidden_ = false;
  bool ended_ = false;
  std::vector<StartCall> started_;
  std::vector<RunCall> runs_;
};

}  // namespace platform::fake
