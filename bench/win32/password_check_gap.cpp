// Whether the watch goes on while a password is checked, under Wine or on
// Windows: the watch tick every 1000 ms and the foreground check every 50 ms
// run on the window thread while a check of a hashed password (at the
// stored iteration count) runs on its worker. Prints how long each check
// took and the longest gap between two ticks and between two foreground
// checks while it ran (1000 and 50 ms when nothing holds them up), for
// several checks in a row:
//   wine build/windows/bin/password_check_gap.exe
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/program.h"
#include "bench_program.h"
#include "config/password.h"
#include "engine/password_check.h"
#include "platform/win32/win32_services.h"
#include "ui/win32/win32_form_host.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// The longest gap between two consecutive times of which the span overlaps
// from..to (the last time before from up to the first after to).
double LongestGapMs(const std::vector<Clock::time_point>& times, Clock::time_point from,
                    Clock::time_point to) {
  double longest = 0;
  for (std::size_t i = 1; i < times.size(); ++i) {
    if (times[i] < from || times[i - 1] > to) continue;
    longest = std::max(longest, Ms(times[i] - times[i - 1]));
  }
  return longest;
}

}  // namespace

int main() {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  bench::BenchProgram bench(instance);
  app::Program& program = bench.program;
  const platform::Services& os = bench.os;
  for (int i = 0; i < 20; ++i)
    program.frmkestrove.lstTasks.addItem("Protected program " + std::to_string(i), true);

  std::vector<Clock::time_point> ticks;
  std::vector<Clock::time_point> looks;
  os.loop.StartTimer(1000, [&] {
    ticks.push_back(Clock::now());
    program.frmkestrove.timerKestrove.on_timer();
  });
  os.loop.StartTimer(50, [&] {
    looks.push_back(Clock::now());
    program.frmkestrove.tmrForeground.on_timer();
  });
  const std::string stored = config::HashPassword(os.crypto, os.text, "correct horse");
  engine::PasswordCheck check(os.loop, os.crypto, os.text);

  std::printf("iterations: %u\n", config::kPasswordIterations);
  bool all_right = true;
  for (int round = 0; round < 5; ++round) {
    // Let the timers settle between checks.
    const Clock::time_point rest = Clock::now() + std::chrono::milliseconds(1200);
    while (Clock::now() < rest) os.loop.WaitForEvents();
    bool done = false;
    bool right = false;
    const Clock::time_point start = Clock::now();
    Clock::time_point answered;
    check.Start(stored, "correct horse", [&](bool matched) {
      answered = Clock::now();
      right = matched;
      done = true;
    });
    while (!done) os.loop.WaitForEvents();
    // Until a tick and a look after the answer close the spans.
    while (ticks.back() < answered || looks.back() < answered) os.loop.WaitForEvents();
    all_right = all_right && right;
    std::printf("check %.0f ms; longest gap between ticks %.0f ms, between foreground checks %.0f ms\n",
                Ms(answered - start), LongestGapMs(ticks, start, answered),
                LongestGapMs(looks, start, answered));
  }
  return all_right ? 0 : 1;
}
