// The program's events.
#include "engine/event_reports.h"

#include <exception>
#include <utility>
#include <vector>

namespace engine {

using platform::EventId;

namespace {

// Another program chooses its window titles: a line break or other control
// character would let a title forge lines of an event's text.
std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return line;
}

template <typename Texts>
void Report(Context& context, EventId id, Texts&& texts) noexcept {
  try {
    std::vector<std::string> lines = texts();
    for (std::string& line : lines) line = OneLine(line);
    context.os.events.Write(id, lines);
  } catch (const std::exception&) {
    // Not written: the action goes on without its event.
  }
}

std::vector<std::string> LockTexts(const LockIdentity& lock, std::string_view title) {
  // The configuration's lock keeps the entry of the lock before it.
  const bool own_entry = lock.reason != reason::kConfig;
  return {LockKind(lock), own_entry ? lock.entry : "", std::string(title)};
}

}  // namespace

std::string LockKind(const LockIdentity& lock) {
  const std::string_view code = lock.reason;
  if (code == reason::kApp) {
    if (lock.window == platform::kNoWindow && lock.entry == kStartupEntry) return "Windows at Startup";
    if (lock.window == platform::kNoWindow && lock.entry == kExpiredEntry) return "Daily allowance";
    return "Protected task";
  }
  if (code == reason::kConfig) return "Configuration window";
  if (code == reason::kRegistry) return "Registry tools";
  if (code == reason::kIE) return "Internet Explorer";
  if (code == reason::kFirefox) return "Other browsers";
  if (code == reason::kExplorer) return "Windows Explorer";
  if (code == reason::kTaskManager) return "Task Manager";
  if (code == reason::kInstall) return "Software installation";
  if (code == reason::kUninstall) return "Uninstaller";
  return std::string(code);
}

void ReportWrongPassword(Context& context, const LockIdentity& lock, std::string_view title) noexcept {
  Report(context, EventId::kWrongPassword, [&] { return LockTexts(lock, title); });
}

void ReportLockAnswered(Context& context, const LockIdentity& lock, std::string_view title) noexcept {
  Report(context, EventId::kLockAnswered, [&] { return LockTexts(lock, title); });
}

void ReportAllowanceUsedUp(Context& context) noexcept {
  Report(context, EventId::kAllowanceUsedUp, [] { return std::vector<std::string>{}; });
}

void ReportConfigurationApplied(Context& context, std::size_t tasks, std::size_t ignore_entries) noexcept {
  Report(context, EventId::kConfigurationApplied, [&] {
    return std::vector<std::string>{std::to_string(tasks), std::to_string(ignore_entries)};
  });
}

void ReportConfigurationImported(Context& context, std::string_view file, std::string_view how) noexcept {
  Report(context, EventId::kConfigurationImported, [&] {
    return std::vector<std::string>{std::string(file), std::string(how)};
  });
}

void ReportConfigurationRefused(Context& context, std::string_view file, std::string_view how,
                                std::string_view why) noexcept {
  Report(context, EventId::kConfigurationRefused, [&] {
    return std::vector<std::string>{std::string(file), std::string(how), std::string(why)};
  });
}

}  // namespace engine
