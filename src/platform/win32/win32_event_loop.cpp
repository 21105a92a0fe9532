// The event loop over the Windows message queue.
#include "platform/win32/win32_event_loop.h"

#include <chrono>
#include <condition_variable>
#include <stdexcept>
#include <thread>
#include <utility>

#include "platform/win32/win32_constants.h"

namespace platform::win32 {

class Win32EventLoop::Channel : public WorkerChannel {
 public:
  explicit Channel(std::shared_ptr<CrossThread> cross) : cross_(std::move(cross)) {}

  void Post(std::function<void()> callback) override {
    const std::lock_guard lock(cross_->mutex);
    if (cross_->window == nullptr) return;
    const bool first = cross_->queue.empty();
    cross_->queue.push_back(std::move(callback));
    // One message carries every post queued until it is handled.
    if (first) ::PostMessageW(cross_->window, kWmWorkerPosts, 0, 0);
  }

 private:
  std::shared_ptr<CrossThread> cross_;
};

std::shared_ptr<WorkerChannel> Win32EventLoop::OpenWorkerChannel() {
  return std::make_shared<Channel>(cross_);
}

void Win32EventLoop::RunWorkerPosts() {
  std::deque<std::function<void()>> batch;
  {
    const std::lock_guard lock(cross_->mutex);
    batch.swap(cross_->queue);
  }
  // Every post runs, even after one has failed (the last one may be what a
  // waiter waits for); the first failure is kept for after the dispatch.
  for (auto& callback : batch) {
    try {
      callback();
    } catch (...) {
      if (!tick_failure_) tick_failure_ = std::current_exception();
    }
  }
}

// For a short while after the focus moves into another program's window,
// looks at the foreground every couple of milliseconds and calls the watcher
// when it is no longer the window the watcher last saw. Wine sends the focus
// moving a few milliseconds before that window becomes the foreground, so the
// call the event itself gives still sees the old one. Asleep in between.
class Win32EventLoop::ForegroundFollower {
 public:
  explicit ForegroundFollower(Win32EventLoop& loop) : loop_(loop), thread_([this] { Run(); }) {}
  ~ForegroundFollower() {
    {
      const std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }
  ForegroundFollower(const ForegroundFollower&) = delete;
  ForegroundFollower& operator=(const ForegroundFollower&) = delete;
  ForegroundFollower(ForegroundFollower&&) = delete;
  ForegroundFollower& operator=(ForegroundFollower&&) = delete;

  void Follow() {
    {
      const std::lock_guard lock(mutex_);
      until_ = Clock::now() + kFollowFor;
    }
    wake_.notify_one();
  }

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr auto kFollowFor = std::chrono::milliseconds(100);
  static constexpr auto kEvery = std::chrono::milliseconds(2);

  void Run() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
      if (Clock::now() >= until_) {
        wake_.wait(lock, [this] { return stop_ || Clock::now() < until_; });
        continue;
      }
      if (wake_.wait_for(lock, kEvery, [this] { return stop_; })) break;
      lock.unlock();
      // A look that ran meanwhile may have seen this foreground already:
      // such a round decides nothing, the next one does.
      const HWND looked = loop_.looked_at_.load();
      const HWND foreground = ::GetForegroundWindow();
      if (foreground != looked && loop_.looked_at_.load() == looked) loop_.PostWindowEvent();
      lock.lock();
    }
  }

  Win32EventLoop& loop_;
  std::mutex mutex_;
  std::condition_variable wake_;
  Clock::time_point until_{};
  bool stop_ = false;
  std::thread thread_;  // last: it runs on the members above
};

namespace {

// The loop whose hooks this thread's window events go to: an out-of-context
// hook calls back on the thread that set it, with no pointer of its own.
thread_local Win32EventLoop* watching_loop = nullptr;

}  // namespace

void Win32EventLoop::WatchWindowEvents(std::function<void()> on_change) {
  Unhook();
  on_window_event_ = std::move(on_change);
  if (!on_window_event_) return;
  watching_loop = this;
  follower_ = std::make_unique<ForegroundFollower>(*this);
  // One hook per event rather than one range: the events between them
  // (location changes above all) come by the hundred a second. Wine sends
  // none of the first three; the focus moving into another program's
  // window is how a window coming forward shows there.
  for (const DWORD event :
       {EVENT_SYSTEM_FOREGROUND, EVENT_OBJECT_SHOW, EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_FOCUS}) {
    HWINEVENTHOOK hook = ::SetWinEventHook(event, event, nullptr, &Win32EventLoop::OnWinEvent, 0, 0,
                                           WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    if (hook != nullptr) hooks_.push_back(hook);
  }
}

void Win32EventLoop::Unhook() {
  for (HWINEVENTHOOK hook : hooks_) ::UnhookWinEvent(hook);
  hooks_.clear();
  if (watching_loop == this) watching_loop = nullptr;
  follower_.reset();
}

void CALLBACK Win32EventLoop::OnWinEvent(HWINEVENTHOOK /*hook*/, DWORD event, HWND window, LONG object,
                                         LONG child, DWORD /*thread*/, DWORD /*time*/) {
  if (window == nullptr) return;
  // The focus lands on a control of the window that came forward; the other
  // events count for top-level windows themselves, not their controls,
  // carets or menus.
  if (event != EVENT_OBJECT_FOCUS) {
    if (object != OBJID_WINDOW || child != CHILDID_SELF) return;
    if (::GetAncestor(window, GA_PARENT) != ::GetDesktopWindow()) return;
  }
  Win32EventLoop* loop = watching_loop;
  if (loop == nullptr) return;
  loop->PostWindowEvent();
  // Only the focus runs ahead of the foreground; a program renaming its
  // window all the time keeps nothing else awake.
  if (event == EVENT_OBJECT_FOCUS && loop->follower_) loop->follower_->Follow();
}

void Win32EventLoop::PostWindowEvent() {
  if (window_event_pending_.exchange(true)) return;
  // A queue too full to take the message leaves the look to the timers,
  // and the next event tries again.
  if (::PostMessageW(window_.get(), kWmWindowEvent, 0, 0) == FALSE) window_event_pending_ = false;
}

void Win32EventLoop::RunWindowEvent() {
  // Events from here on are news the call below may not see: they queue
  // another call. What the call sees is noted first, so the follower never
  // takes a foreground the call is about to see for news.
  looked_at_ = ::GetForegroundWindow();
  window_event_pending_ = false;
  const std::function<void()> on_change = on_window_event_;
  if (on_change) on_change();
}

Win32EventLoop::Win32EventLoop(HINSTANCE instance) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &Win32EventLoop::WindowProc;
  window_class.hInstance = instance;
  window_class.lpszClassName = kEventLoopWindowClass;
  // A second loop in the same process (tests) finds the class registered.
  if (::RegisterClassExW(&window_class) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw std::runtime_error("cannot register the event loop's window class");
  }
  window_.reset(::CreateWindowExW(0, kEventLoopWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  instance, nullptr));
  if (!window_) throw std::runtime_error("cannot create the event loop's window");
  ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  cross_->window = window_.get();
}

Win32EventLoop::~Win32EventLoop() {
  Unhook();
  {
    const std::lock_guard lock(cross_->mutex);
    cross_->window = nullptr;
    cross_->queue.clear();
  }
  for (const auto& [id, timer] : timers_) ::KillTimer(window_.get(), static_cast<UINT_PTR>(id));
  // WM_TIMER messages still queued find no loop behind the window.
  ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
}

LRESULT CALLBACK Win32EventLoop::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_TIMER || message == kWmWorkerPosts || message == kWmWindowEvent) {
    auto* loop = reinterpret_cast<Win32EventLoop*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (loop != nullptr) {
      // A failure must not unwind through user32: it is rethrown once the
      // dispatch has returned.
      try {
        if (message == WM_TIMER) {
          loop->OnTimer(static_cast<TimerId>(wparam));
        } else if (message == kWmWindowEvent) {
          loop->RunWindowEvent();
        } else {
          loop->RunWorkerPosts();
        }
      } catch (...) {
        if (!loop->tick_failure_) loop->tick_failure_ = std::current_exception();
      }
      return 0;
    }
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

EventLoop::TimerId Win32EventLoop::StartTimer(std::uint32_t interval_ms, std::function<void()> tick) {
  const TimerId id = next_timer_++;
  if (::SetTimer(window_.get(), static_cast<UINT_PTR>(id), interval_ms, nullptr) == 0) return kNoTimer;
  timers_[id] = Timer{std::move(tick), false};
  return id;
}

void Win32EventLoop::StopTimer(TimerId timer) {
  if (timers_.erase(timer) > 0) ::KillTimer(window_.get(), static_cast<UINT_PTR>(timer));
}

void Win32EventLoop::OnTimer(TimerId timer) {
  const auto it = timers_.find(timer);
  // A WM_TIMER already queued when its timer was stopped.
  if (it == timers_.end()) return;
  // The tick is still running further down this stack (it yielded): skip
  // this interval rather than enter it again.
  if (it->second.in_tick) return;
  it->second.in_tick = true;
  // The tick may stop its own timer, destroying the stored function while it
  // runs: call a copy.
  const std::function<void()> tick = it->second.tick;
  struct Leave {
    Win32EventLoop& loop;
    TimerId timer;
    ~Leave() {
      const auto found = loop.timers_.find(timer);
      if (found != loop.timers_.end()) found->second.in_tick = false;
    }
  } leave{*this, timer};
  tick();
}

void Win32EventLoop::Dispatch(MSG& message) {
  if (!message_filter || !message_filter(message)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  if (!tick_failure_) return;
  std::exception_ptr failure = std::exchange(tick_failure_, nullptr);
  if (!tick_failure_handler) std::rethrow_exception(failure);
  tick_failure_handler(std::move(failure));
}

void Win32EventLoop::DoEvents() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
    if (message.message == WM_QUIT) {
      // Leave the quit request for the main loop, which has to end on it.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Dispatch(message);
  }
}

void Win32EventLoop::WaitForEvents() {
  // Returns at once when messages are already queued; the timeout only bounds
  // a wait that nothing would end.
  ::MsgWaitForMultipleObjectsEx(0, nullptr, 250, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  DoEvents();
}

std::uint64_t Win32EventLoop::NowMs() {
  return ::GetTickCount64();
}

int Win32EventLoop::Run() {
  MSG message;
  for (;;) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);
    if (got == -1) return -1;
    Dispatch(message);
  }
}

void Win32EventLoop::Quit(int code) {
  ::PostQuitMessage(code);
}

}  // namespace platform::win32
