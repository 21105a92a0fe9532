// The window thread's event loop over the Windows message queue: timers on a
// hidden message-only window, yielding by pumping pending messages, and the
// program's main message loop. Must be created and used on one thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/event_loop.h"
#include "platform/win32/unique_handle.h"

namespace platform::win32 {

class Win32EventLoop : public EventLoop {
 public:
  explicit Win32EventLoop(HINSTANCE instance = ::GetModuleHandleW(nullptr));
  ~Win32EventLoop() override;
  Win32EventLoop(const Win32EventLoop&) = delete;
  Win32EventLoop& operator=(const Win32EventLoop&) = delete;
  Win32EventLoop(Win32EventLoop&&) = delete;
  Win32EventLoop& operator=(Win32EventLoop&&) = delete;

  // Offered every message before it is translated and dispatched, by both
  // DoEvents and Run; returning true means the filter handled it (the form
  // renderer passes dialog keyboard navigation through IsDialogMessage here).
  std::function<bool(MSG&)> message_filter;

  // Where a tick's exception goes. It is caught at the window procedure (it
  // must not unwind through user32) and, once the dispatch has returned,
  // handed to this handler, or rethrown by the DoEvents or Run that
  // dispatched it when there is none.
  std::function<void(std::exception_ptr)> tick_failure_handler;

  TimerId StartTimer(std::uint32_t interval_ms, std::function<void()> tick) override;
  // Safe from inside the timer's own tick.
  void StopTimer(TimerId timer) override;
  // Runs every message already pending, then returns. A WM_QUIT met here is
  // put back for Run.
  void DoEvents() override;
  void WaitForEvents() override;
  // Posts reach the loop's window as one message per batch, so they also
  // run inside modal loops (a message box, the folder browser).
  std::shared_ptr<WorkerChannel> OpenWorkerChannel() override;
  // Hooks the foreground, show, title and focus events of other processes'
  // windows on this thread; one loop per thread watches at a time. For a
  // short while after the focus moves, a call also follows the foreground
  // moving: Wine sends the focus moving into a window before that window
  // becomes the foreground.

  void WatchWindowEvents(std::function<void()> on_change) override;
  std::uint64_t NowMs() override;

  // The main message loop: runs until WM_QUIT and returns its exit code (-1
  // when GetMessage fails).
  int Run();
  // Ends Run with that exit code once the messages before it are handled.
  void Quit(int code) override;

  // The hidden message-only window the timers are set on.
  [[nodiscard]] HWND window() const { return window_.get(); }
  [[nodiscard]] std::size_t running_timers() const { return timers_.size(); }

 private:
  struct Timer {
    std::function<void()> tick;
    bool in_tick = false;
  };

  // Shared with the channels, which may outlive the loop.
  struct CrossThread {
    std::mutex mutex;
    std::deque<std::function<void()>> queue;
    HWND window = nullptr;  // nullptr once the loop is gone
  };
  class Channel;

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void RunWorkerPosts();
  static void CALLBACK OnWinEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child,
                                  DWORD thread, DWORD time);
  void RunWindowEvent();
  // Queues one call to the watcher unless one is queued already; safe from
  // any thread.
  void PostWindowEvent();
  void Unhook();
  void OnTimer(TimerId timer);
  // Filters, translates and dispatches one message, then rethrows what a tick
  // threw while it was dispatched.
  void Dispatch(MSG& message);

  UniqueWindow window_;
  std::shared_ptr<CrossThread> cross_ = std::make_shared<CrossThread>();
  std::map<TimerId, Timer> timers_;
  TimerId next_timer_ = 1;
  std::exception_ptr tick_failure_;
  std::vector<HWINEVENTHOOK> hooks_;
  std::function<void()> on_window_event_;
  // A kWmWindowEvent is queued: further events until it is handled add nothing.
  std::atomic<bool> window_event_pending_ = false;
  // The foreground window when the watcher was last called.
  std::atomic<HWND> looked_at_ = nullptr;
  class ForegroundFollower;
  std::unique_ptr<ForegroundFollower> follower_;
};

}  // namespace platform::win32
