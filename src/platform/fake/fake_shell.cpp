// In-memory shell and process for host tests.
#include "platform/fake/fake_shell.h"

#include <stdexcept>

namespace platform::fake {

bool FakeShell::AddTrayIcon(const TrayIconRecord& icon) {
  ++adds_;
  // The shell refuses a second icon with the same window and id.
  if (tray_icon_ && tray_icon_->window == icon.window && tray_icon_->id == icon.id) return false;
  tray_icon_ = icon;
  return true;
}

bool FakeShell::DeleteTrayIcon(const TrayIconRecord& icon) {
  ++deletes_;
  if (!tray_icon_ || tray_icon_->window != icon.window || tray_icon_->id != icon.id) return false;
  tray_icon_.reset();
  return true;
}

int FakeShell::Open(WindowId owner, std::string_view file, std::string_view /*parameters*/,
                    std::string_view /*directory*/, ShowCommand show) {
  opened_.push_back(OpenCall{owner, std::string(file), show});
  if (open_throws) throw std::runtime_error("Automation error");
  return open_result;
}

std::string FakeShell::BrowseForFolder(WindowId owner, std::uint32_t flags,
                                       std::optional<std::string_view> title) {
  browsed_.push_back(BrowseCall{owner, flags, title ? std::optional<std::string>(*title) : std::nullopt});
  if (browse_answers.empty()) return {};
  std::string answer = std::move(browse_answers.front());
  browse_answers.pop_front();
  return answer;
}

void FakeProcess::EndProcess() {
  ended_ = true;
  throw ProcessEnded{};
}

bool FakeProcess::Start(std::string_view path, ShowCommand show) {
  started_.push_back(StartCall{std::string(path), show});
  return start_result;
}

RunResult FakeProcess::RunSystemProgram(std::string_view program, std::string_view arguments,
                                        ShowCommand show, std::uint32_t timeout_ms) {
  runs_.push_back(RunCall{std::string(program), std::string(arguments), show, timeout_ms});
  if (on_run) return on_run(runs_.back());
  return RunResult{RunResult::Outcome::kExited, 0};
}

}  // namespace platform::fake
