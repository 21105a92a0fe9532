// The event loop over the real message queue: timers stopped from outside and
// from their own tick, a yielding tick that is not entered again, the message
// filter, quitting, and a tick's failure reaching the pump or the handler.
#include <windows.h>

#include <algorithm>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/win32/win32_event_loop.h"
#include "win32/win32_test_support.h"

namespace {

using platform::EventLoop;
using platform::win32::Win32EventLoop;
using ::testing::StrEq;
using ::testing::ThrowsMessage;
using win32_test::Join;
using win32_test::TestWindow;

class EventLoopTest : public ::testing::Test {
 protected:
  bool PumpUntil(const std::function<bool()>& done) {
    return win32_test::PumpUntil(done, [&] { loop.DoEvents(); });
  }

  Win32EventLoop loop;
};

TEST_F(EventLoopTest, TimersRepeatUntilStoppedFromOutsideOrFromTheirOwnTick) {
  int outside = 0;
  int own = 0;
  EventLoop::TimerId own_timer = EventLoop::kNoTimer;
  const EventLoop::TimerId outside_timer = loop.StartTimer(15, [&] { ++outside; });
  // The captured text lives in the timer's function, which StopTimer
  // destroys while the tick is still running.
  own_timer = loop.StartTimer(10, [&, text = std::string(64, 'k')] {
    ++own;
    loop.StopTimer(own_timer);
    EXPECT_EQ(text, std::string(64, 'k'));
  });
  ASSERT_NE(outside_timer, EventLoop::kNoTimer);
  EXPECT_TRUE(PumpUntil([&] { return outside >= 3 && own >= 1; }));
  loop.StopTimer(outside_timer);
  // By now the own timer would have ticked again had it not stopped.
  EXPECT_EQ(Join(own, loop.running_timers()), "1 0");
}

TEST_F(EventLoopTest, AYieldingTickIsNotEnteredAgain) {
  int depth = 0;
  int deepest = 0;
  int ticks = 0;
  const EventLoop::TimerId timer = loop.StartTimer(10, [&] {
    ++ticks;
    deepest = std::max(deepest, ++depth);
    // The first yields for many intervals, as a long scan does.
    if (ticks == 1) PumpUntil([&, until = loop.NowMs() + 150] { return loop.NowMs() >= until; });
    --depth;
  });
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  loop.StopTimer(timer);
  EXPECT_EQ(deepest, 1);
}

TEST_F(EventLoopTest, PostedMessagesTheFilterAndQuit) {
  const TestWindow window(L"KSV Event Loop Test", false);
  // A message the filter handles never reaches the window; the others do.
  int filtered = 0;
  loop.message_filter = [&](MSG& message) {
    return message.message == TestWindow::kTestMessage && message.wParam == 7 && ++filtered > 0;
  };
  ::PostMessageW(window.hwnd(), TestWindow::kTestMessage, 7, 0);
  ::PostMessageW(window.hwnd(), TestWindow::kTestMessage, 8, 0);
  loop.DoEvents();
  EXPECT_EQ(Join(filtered, window.test_messages()), "1 1");

  // A yield that meets the quit request leaves it for Run.
  ::PostMessageW(window.hwnd(), TestWindow::kTestMessage, 0, 0);
  loop.Quit(3);
  loop.DoEvents();
  EXPECT_EQ(window.test_messages(), 2);
  EXPECT_EQ(loop.Run(), 3);

  // Run handles what was posted before the quit.
  ::PostMessageW(window.hwnd(), TestWindow::kTestMessage, 0, 0);
  loop.Quit(0);
  EXPECT_EQ(loop.Run(), 0);
  EXPECT_EQ(window.test_messages(), 3);
}

// Without a handler the failure is thrown out of the DoEvents that ran the
// tick, and the timer goes on; with one, the handler gets it.
TEST_F(EventLoopTest, ATickFailureReachesThePumpOrTheHandler) {
  int ticks = 0;
  const EventLoop::TimerId timer = loop.StartTimer(10, [&] {
    if (++ticks == 1) throw std::runtime_error("Subscript out of range");
    if (loop.tick_failure_handler) throw std::runtime_error("Invalid procedure call");
  });
  EXPECT_THAT([&] { PumpUntil([] { return false; }); },
              ThrowsMessage<std::runtime_error>(StrEq("Subscript out of range")));
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }));

  std::exception_ptr reported;
  loop.tick_failure_handler = [&](std::exception_ptr failure) { reported = std::move(failure); };
  EXPECT_TRUE(PumpUntil([&] { return reported != nullptr; }));
  loop.StopTimer(timer);
  EXPECT_THAT([&] { std::rethrow_exception(reported); },
              ThrowsMessage<std::runtime_error>(StrEq("Invalid procedure call")));
}

}  // namespace
