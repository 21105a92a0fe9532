// Virtual clock and event queue for host tests.
#include "platform/fake/fake_event_loop.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

namespace platform::fake {

class FakeEventLoop::Channel : public WorkerChannel {
 public:
  explicit Channel(std::shared_ptr<CrossThread> cross) : cross_(std::move(cross)) {
    const std::lock_guard lock(cross_->mutex);
    ++cross_->open_channels;
  }
  ~Channel() override {
    const std::lock_guard lock(cross_->mutex);
    --cross_->open_channels;
    cross_->posted.notify_all();
  }
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;
  Channel(Channel&&) = delete;
  Channel& operator=(Channel&&) = delete;

  void Post(std::function<void()> callback) override {
    const std::lock_guard lock(cross_->mutex);
    cross_->queue.push_back(std::move(callback));
    cross_->posted.notify_all();
  }

 private:
  std::shared_ptr<CrossThread> cross_;
};

std::shared_ptr<WorkerChannel> FakeEventLoop::OpenWorkerChannel() {
  return std::make_shared<Channel>(cross_);
}

bool FakeEventLoop::RunWorkerPosts() {
  std::deque<std::function<void()>> batch;
  {
    const std::lock_guard lock(cross_->mutex);
    batch.swap(cross_->queue);
  }
  // Every post runs, even after one has failed (the last one may be what a
  // waiter waits for); the first failure is rethrown afterwards.
  std::exception_ptr failure;
  for (auto& callback : batch) {
    try {
      callback();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
  if (failure) std::rethrow_exception(failure);
  return !batch.empty();
}

void FakeEventLoop::SendWindowEvent() {
  if (!on_window_event_ || window_event_pending_) return;
  window_event_pending_ = true;
  Post([this] {
    window_event_pending_ = false;
    if (on_window_event_) on_window_event_();
  });
}

EventLoop::TimerId FakeEventLoop::StartTimer(std::uint32_t interval_ms, std::function<void()> tick) {
  const TimerId id = next_id_++;
  timers_[id] = Entry{interval_ms, now_ + interval_ms, false, std::move(tick)};
  return id;
}

void FakeEventLoop::StopTimer(TimerId timer) {
  timers_.erase(timer);
}

void FakeEventLoop::DoEvents() {
  ++do_events_;
  if (on_do_events) on_do_events(do_events_);
  while (!posted_.empty()) {
    auto fn = std::move(posted_.front());
    posted_.pop_front();
    fn();
  }
  RunWorkerPosts();
}

void FakeEventLoop::WaitForEvents() {
  bool pending = !posted_.empty();
  if (!pending) {
    std::unique_lock lock(cross_->mutex);
    cross_->posted.wait(lock, [this] { return !cross_->queue.empty() || cross_->open_channels == 0; });
    pending = !cross_->queue.empty();
  }
  if (pending) {
    DoEvents();
    return;
  }
  std::uint64_t next_due = 0;
  bool any = false;
  for (const auto& [id, entry] : timers_) {
    if (!entry.in_tick && (!any || entry.due < next_due)) {
      next_due = entry.due;
      any = true;
    }
  }
  if (!any) throw std::logic_error("waiting for events with no timer running");
  Advance(next_due - now_);
  DoEvents();
}

void FakeEventLoop::Advance(std::uint64_t ms) {
  const std::uint64_t end = now_ + ms;
  for (;;) {
    TimerId next = kNoTimer;
    std::uint64_t next_due = end + 1;
    for (const auto& [id, entry] : timers_) {
      if (!entry.in_tick && entry.due < next_due) {
        next = id;
        next_due = entry.due;
      }
    }
    if (next == kNoTimer) break;
    // Time a tick spent reading the clock never runs backwards.
    now_ = std::max(now_, next_due);
    Entry& entry = timers_.at(next);
    entry.due += entry.interval;
    entry.in_tick = true;
    // The tick may stop (erase) its own timer; copy the callback first.
    const auto tick = entry.tick;
    tick();
    const auto it = timers_.find(next);
    if (it != timers_.end()) {
      it->second.in_tick = false;
      // A tick that outlasted its interval skips the missed ones.
      if (it->second.due <= now_) it->second.due = now_ + it->second.interval;
    }
  }
  now_ = std::max(now_, end);
}

}  // namespace platform::fake
