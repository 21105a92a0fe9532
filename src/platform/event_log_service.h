// The Windows event log as the program writes to it: what happened, in the
// administrator's terms, under the event source "Kestrove Pro". The event
// ids are the message table's (res/event_messages.mc); each has one level.
// No Windows headers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

enum class EventId : std::uint16_t {
  kWrongPassword = 1,          // lock, entry, window title
  kLockAnswered = 2,           // lock, entry, window title
  kAllowanceUsedUp = 3,        // no texts
  kConfigurationApplied = 4,   // protected tasks, ignore-list entries
  kConfigurationImported = 5,  // file, how
  kConfigurationRefused = 6,   // file, how, reason
  kUninstallRefused = 7,       // written by the uninstaller itself
};

enum class EventLevel : std::uint8_t { kInformation, kWarning, kError };

constexpr EventLevel LevelOf(EventId id) {
  switch (id) {
    case EventId::kWrongPassword:
    case EventId::kAllowanceUsedUp:
    case EventId::kUninstallRefused:
      return EventLevel::kWarning;
    case EventId::kConfigurationRefused:
      return EventLevel::kError;
    case EventId::kLockAnswered:
    case EventId::kConfigurationApplied:
    case EventId::kConfigurationImported:
      break;
  }
  return EventLevel::kInformation;
}

class EventLogService {
 public:
  virtual ~EventLogService() = default;

  // Hands one event to the log and returns at once: it never waits for the
  // log. texts are the message's insertion strings (UTF-8), in order. An
  // event that cannot be written is dropped; the action it reports goes on
  // either way. May throw only what building its own copy throws
  // (std::bad_alloc); callers go through engine::WriteEvent, which swallows
  // that too.
  virtual void Write(EventId id, const std::vector<std::string>& texts) = 0;
};

}  // namespace platform
