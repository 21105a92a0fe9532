// The Windows event log over advapi32: events under the source
// "Kestrove Pro", whose message table is a resource of kstrv7.exe (the
// installer registers the source).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/event_log_service.h"

namespace platform::win32 {

// Events are written on a thread of the log's own. ReportEventW is a call
// into the event log service that returns when the service has taken the
// event: usually at once, but for as long as the service takes when it is
// busy, starting or hung (the local call has no time limit). The window
// thread only queues the event.
class Win32EventLog : public EventLogService {
 public:
  // Waiting events beyond this many are dropped: the writer is stuck.
  static constexpr std::size_t kMostWaiting = 256;
  // How long the destructor waits for events still queued.
  static constexpr std::uint32_t kFlushOnEndMs = 1000;

  explicit Win32EventLog(std::wstring source = L"Kestrove Pro");
  // Waits at most kFlushOnEndMs for the queued events, then leaves a writer
  // that is still stuck in the log to end with the process.
  ~Win32EventLog() override;
  Win32EventLog(const Win32EventLog&) = delete;
  Win32EventLog& operator=(const Win32EventLog&) = delete;
  Win32EventLog(Win32EventLog&&) = delete;
  Win32EventLog& operator=(Win32EventLog&&) = delete;

  void Write(EventId id, const std::vector<std::string>& texts) override;

  // Waits until every event queued so far has been through ReportEventW, or
  // until timeout_ms have passed; returns how many of its calls have
  // succeeded since this log was made.
  std::uint64_t Flush(std::uint32_t timeout_ms);

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

}  // namespace platform::win32
