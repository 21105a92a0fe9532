// The one window thread's event loop: timers and yielding. Everything in the
// program runs on that thread, one event after another.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

// How a worker thread reports to the window thread: each posted callback
// runs on the window thread, in the order posted, at its next yield or wait.
// Post is safe from any thread.
class WorkerChannel {
 public:
  virtual ~WorkerChannel() = default;
  virtual void Post(std::function<void()> callback) = 0;
};

class EventLoop {
 public:
  using TimerId = std::uint64_t;
  static constexpr TimerId kNoTimer = 0;

  virtual ~EventLoop() = default;

  // Calls tick every interval_ms milliseconds until stopped. A tick that is
  // still running (yielding inside a loop) is not entered again: the next
  // tick waits for the following interval.
  virtual TimerId StartTimer(std::uint32_t interval_ms, std::function<void()> tick) = 0;
  virtual void StopTimer(TimerId timer) = 0;
  // Yields: lets pending events (input, other timers, window messages) run,
  // then returns.
  virtual void DoEvents() = 0;
  // Waits until something is pending (input, a message, a timer that falls
  // due, a worker's post), then runs it, as DoEvents does. For loops that
  // wait on a timer or on a worker.
  virtual void WaitForEvents() = 0;
  // A channel for a worker thread to report through. While any channel is
  // open (the object alive), a wait is also a wait for its posts; the worker
  // drops it when it has posted its last callback.
  virtual std::shared_ptr<WorkerChannel> OpenWorkerChannel() = 0;
  // Calls on_change on this thread soon after a top-level window of another
  // program comes to the foreground, is shown or changes its title, so a
  // look at the desktop need not wait for its next timer. A burst of such
  // events gives one call. For a moment after an event, the foreground
  // moving gives a call too (the focus may move before the foreground does).
  // An empty function stops the calls. Where the system sends no such
  // event, only the timers look.
  virtual void WatchWindowEvents(std::function<void()> on_change) = 0;
  // Ends the program's main message loop with that exit code, once the
  // events before the request have run.
  virtual void Quit(int exit_code) = 0;
  // Milliseconds on a monotonic clock.
  virtual std::uint64_t NowMs() = 0;
};

// Yields inside a long loop by elapsed time rather than once per row: the
// loop calls Poll() at every row, and the pending events run once the loop
// has worked kIntervalMs since its start or its last yield. Looking at the
// clock costs next to nothing but still adds up over a million rows, so it
// looks only every kRowsPerLook rows. Whatever runs in a yield may change
// the lists the loop walks: yields() tells a loop that it must read again
// what it kept from them.
class YieldPacer {
 public:
  static constexpr std::uint64_t kIntervalMs = 4;
  static constexpr unsigned kRowsPerLook = 16;

  explicit YieldPacer(EventLoop& loop) : loop_(loop), last_yield_ms_(loop.NowMs()) {}

  // Whether the time for a yield has come; the caller then calls YieldNow().
  [[nodiscard]] bool Due() {
    if (++rows_ < kRowsPerLook) return false;
    rows_ = 0;
    return loop_.NowMs() - last_yield_ms_ >= kIntervalMs;
  }
  void YieldNow() {
    ++yields_;
    loop_.DoEvents();
    last_yield_ms_ = loop_.NowMs();
  }
  // Yields when it is time to; true when it did.
  bool Poll() {
    if (!Due()) return false;
    YieldNow();
    return true;
  }
  [[nodiscard]] std::uint64_t yields() const { return yields_; }

 private:
  EventLoop& loop_;
  std::uint64_t last_yield_ms_;
  unsigned rows_ = 0;
  std::uint64_t yields_ = 0;
};

}  // namespace platform
