// The event loop over the real message queue: repeating timers, stopping a
// timer from its own tick, a yielding tick that is not entered again, posted
// messages, the message filter, quitting, and a tick's failure reaching the
// code that pumped it.
#include <windows.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <gtest/gtest.h>

#include "platform/win32/win32_event_loop.h"
#include "win32/win32_test_support.h"

namespace {

using platform::EventLoop;
using platform::win32::Win32EventLoop;
using win32_test::TestWindow;

class EventLoopTest : public ::testing::Test {
 protected:
  // Pumps through the loop under test until done() holds (10 s at most).
  bool PumpUntil(const std::function<bool()>& done) {
    return win32_test::PumpUntil(done, [&] { loop.DoEvents(); });
  }
  // Lets time pass in the loop's own terms: until a second timer has fired
  // `ticks` more times.
  void PumpTicksOf(std::uint32_t interval_ms, int ticks) {
    int fired = 0;
    const EventLoop::TimerId clock = loop.StartTimer(interval_ms, [&] { ++fired; });
    ASSERT_TRUE(PumpUntil([&] { return fired >= ticks; }));
    loop.StopTimer(clock);
  }

  Win32EventLoop loop;
};

TEST_F(EventLoopTest, TimersFireRepeatedlyUntilStopped) {
  int ticks = 0;
  const EventLoop::TimerId timer = loop.StartTimer(15, [&] { ++ticks; });
  ASSERT_NE(timer, EventLoop::kNoTimer);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  loop.StopTimer(timer);
  const int at_stop = ticks;
  PumpTicksOf(15, 5);
  EXPECT_EQ(ticks, at_stop);
  EXPECT_EQ(loop.running_timers(), 0U);
}

TEST_F(EventLoopTest, ATickCanStopItsOwnTimer) {
  int ticks = 0;
  EventLoop::TimerId timer = EventLoop::kNoTimer;
  // The captured text lives in the timer's function, which StopTimer
  // destroys while the tick is still running.
  timer = loop.StartTimer(10, [&, text = std::string(64, 'k')] {
    ++ticks;
    loop.StopTimer(timer);
    EXPECT_EQ(text, std::string(64, 'k'));
  });
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 1; }));
  PumpTicksOf(10, 5);
  EXPECT_EQ(ticks, 1);
}

TEST_F(EventLoopTest, AYieldingTickIsNotEnteredAgain) {
  int depth = 0;
  int deepest = 0;
  int ticks = 0;
  const EventLoop::TimerId timer = loop.StartTimer(10, [&] {
    ++ticks;
    ++depth;
    deepest = std::max(deepest, depth);
    if (ticks == 1) {
      // Yield for many intervals, as a long scan does.
      const std::uint64_t until = loop.NowMs() + 150;
      while (loop.NowMs() < until) {
        loop.DoEvents();
        ::MsgWaitForMultipleObjectsEx(0, nullptr, 5, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      }
    }
    --depth;
  });
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  loop.StopTimer(timer);
  EXPECT_EQ(deepest, 1);
}

TEST_F(EventLoopTest, DoEventsDispatchesPostedMessagesThroughTheFilter) {
  const TestWindow window(L"KSV Event Loop Test", false);
  ::PostMessageW(window.hwnd(), TestWindow::kTestMessage, 0, 0);
  loop.DoEvents();
  EXPECT_EQ(window.test_messages(), 1);

  // A message the filter handles never reaches the window.
  int filtered = 0;
  loop.message_filter = [&](MSG& message) {
    if (message.message != TestWindow::kTestMessage || message.wParam != 7) return false;
    ++filtered;
    return true;
  };
  ::PostMessageW(window.hwnd(), TestWindow::kTestMessage, 7, 0);
  ::PostMessageW(window.hwnd(), TestWindow::kTestMessage, 8, 0);
  loop.DoEvents();
  EXPECT_EQ(filtered, 1);
  EXPECT_EQ(window.test_messages(), 2);
}

TEST_F(EventLoopTest, QuitEndsRunEvenWhenAYieldSawItFirst) {
  const TestWindow window(L"KSV Event Loop Test", false);
  ::PostMessageW(window.hwnd(), TestWindow::kTestMessage, 0, 0);
  loop.Quit(3);
  loop.DoEvents();
  EXPECT_EQ(window.test_messages(), 1);
  EXPECT_EQ(loop.Run(), 3);

  // Run handles what was posted before the quit.
  ::PostMessageW(window.hwnd(), TestWindow::kTestMessage, 0, 0);
  loop.Quit(0);
  EXPECT_EQ(loop.Run(), 0);
  EXPECT_EQ(window.test_messages(), 2);
}

TEST_F(EventLoopTest, ATickFailureReachesThePumpAndTheTimerGoesOn) {
  int ticks = 0;
  const EventLoop::TimerId timer = loop.StartTimer(10, [&] {
    if (++ticks == 1) throw std::runtime_error("Subscript out of range");
  });
  bool thrown = false;
  EXPECT_TRUE(win32_test::PumpUntil([&] { return thrown; },
                                    [&] {
                                      try {
                                        loop.DoEvents();
                                      } catch (const std::runtime_error& failure) {
                                        thrown = std::string(failure.what()) == "Subscript out of range";
                                      }
                                    }));
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }));
  loop.StopTimer(timer);
}

TEST_F(EventLoopTest, ATickFailureGoesToTheHandlerWhenThereIsOne) {
  std::string reported;
  loop.tick_failure_handler = [&](std::exception_ptr failure) {
    try {
      std::rethrow_exception(failure);
    } catch (const std::runtime_error& error) {
      reported = error.what();
    }
  };
  const EventLoop::TimerId timer =
      loop.StartTimer(10, [] { throw std::runtime_error("Invalid procedure call"); });
  EXPECT_TRUE(PumpUntil([&] { return !reported.empty(); }));
  loop.StopTimer(timer);
  EXPECT_EQ(reported, "Invalid procedure call");
}

}  // namespace
