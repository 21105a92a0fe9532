// An event log that keeps what is written, for host tests; it can also be
// made to fail as a broken backend would.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/event_log_service.h"

namespace platform::fake {

class FakeEventLog : public EventLogService {
 public:
  struct Event {
    EventId id;
    std::vector<std::string> texts;
    friend bool operator==(const Event&, const Event&) = default;
  };

  // Write throws from now on and keeps nothing.
  bool fails = false;
  std::vector<Event> events;

  void Write(EventId id, const std::vector<std::string>& texts) override {
    if (fails) throw std::runtime_error("The event log failed.");
    events.push_back({id, texts});
  }
};

}  // namespace platform::fake
