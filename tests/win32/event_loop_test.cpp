// The event loop over the real message queue: timers stopped from outside and
// from their own tick, a yielding tick not entered again, a tick's failure
// reaching the pump or the handler. (The message filter: the renderer's keys.)
#include <windows.h>

#include <algorithm>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/win32/win32_event_loop.h"
#include "win32/win32_test_support.h"

namespace {

using platform::EventLoop;
using ::testing::StrEq;
using ::testing::ThrowsMessage;
using win32_test::Join;

class EventLoopTest : public ::testing::Test {
 protected:
  bool PumpUntil(const std::function<bool()>& done) {
    return win32_test::PumpUntil(done, [&] { loop.DoEvents(); });
  }

  platform::win32::Win32EventLoop loop;
};

// A yield inside a tick runs other timers but never the same tick again.
TEST_F(EventLoopTest, TimersRepeatUntilStoppedAndAYieldingTickIsNotEnteredAgain) {
  int outside = 0;
  int own = 0;
  int depth = 0;
  int deepest = 0;
  EventLoop::TimerId own_timer = EventLoop::kNoTimer;
  const EventLoop::TimerId outside_timer = loop.StartTimer(15, [&] {
    deepest = std::max(deepest, ++depth);
    // The first yields for many intervals, as a long scan does.
    if (++outside == 1) PumpUntil([&, until = loop.NowMs() + 150] { return loop.NowMs() >= until; });
    --depth;
  });
  // The captured text lives in the timer's function, which StopTimer
  // destroys while the tick is still running.
  own_timer = loop.StartTimer(10, [&, text = std::string(64, 'k')] {
    ++own;
    loop.StopTimer(own_timer);
    EXPECT_EQ(text, std::string(64, 'k'));
  });
  EXPECT_TRUE(PumpUntil([&] { return outside >= 3 && own >= 1; }));
  loop.StopTimer(outside_timer);
  // By now the own timer would have ticked again had it not stopped.
  EXPECT_EQ(Join(own, deepest, loop.running_timers()), "1 1 0");
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
