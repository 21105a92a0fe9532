// A virtual clock and event queue for host tests: time moves only when a test
// advances it, due timers fire in order, and yields run what a test queued,
// so interleavings (an edit in the middle of a scan) happen on purpose.
// Workers' posts are real cross-thread posts; waiting for them takes no
// virtual time.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/event_loop.h"

namespace platform::fake {

class FakeEventLoop : public EventLoop {
 public:
  // Moves virtual time forward, firing every timer that falls due on the
  // way, earliest first (ties in the order the timers were started).
  void Advance(std::uint64_t ms);
  // Runs fn at the next yield.
  void Post(std::function<void()> fn) { posted_.push_back(std::move(fn)); }
  // Called at every yield with the number of yields so far (1 for the first).
  std::function<void(int)> on_do_events;
  [[nodiscard]] int do_events_count() const { return do_events_; }
  [[nodiscard]] std::size_t running_timers() const { return timers_.size(); }

  TimerId StartTimer(std::uint32_t interval_ms, std::function<void()> tick) override;
  void StopTimer(TimerId timer) override;
  void DoEvents() override;
  // Runs what was posted; with nothing posted and a worker channel open,
  // blocks until a worker posts or every channel is closed; otherwise moves
  // virtual time to the next timer that falls due and fires it (and every
  // timer due with it). Throws std::logic_error when there is nothing at
  // all to wait for, so a wait that could never end fails the test instead
  // of hanging it.
  void WaitForEvents() override;
  std::shared_ptr<WorkerChannel> OpenWorkerChannel() override;
  void WatchWindowEvents(std::function<void()> on_change) override {
    on_window_event_ = std::move(on_change);
  }
  // A window event as the system sends it: the watcher is called at the
  // next yield, once for every event sent until then.
  void SendWindowEvent();
  // Each look at the clock finds ms_per_clock_read more virtual time gone
  // by, as a busy loop would; no timer fires until time is advanced.
  std::uint64_t NowMs() override { return now_ += ms_per_clock_read; }
  std::uint64_t ms_per_clock_read = 0;
  void Quit(int exit_code) override { quit_code = exit_code; }
  // The exit code of a requested end of the main loop.
  std::optional<int> quit_code;

 private:
  struct Entry {
    std::uint32_t interval = 0;
    std::uint64_t due = 0;
    bool in_tick = false;
    std::function<void()> tick;
  };
  // Shared with the channels, which may outlive the loop.
  struct CrossThread {
    std::mutex mutex;
    std::condition_variable posted;
    std::deque<std::function<void()>> queue;
    int open_channels = 0;
  };
  class Channel;
  // Runs the workers' posts queued so far; false when there were none.
  bool RunWorkerPosts();

  std::shared_ptr<CrossThread> cross_ = std::make_shared<CrossThread>();
  std::map<TimerId, Entry> timers_;
  std::deque<std::function<void()>> posted_;
  TimerId next_id_ = 1;
  std::uint64_t now_ = 0;
  int do_events_ = 0;
  std::function<void()> on_window_event_;
  bool window_event_pending_ = false;
};

}  // namespace platform::fake
