// What one watch tick costs at its worst, in the host build with the fakes:
// 999 checked tasks, 1000 allow rows and 1000 ignore rows; every task entry
// is found in the foreground title, no allow row equals it, and only the last
// ignore row is found in the entries, so every task runs the whole allow and
// ignore tests and nothing is hidden. Printed beside the cost of a tick over
// empty lists, as a ratio in one run, and of the usual tick: 20 checked
// tasks, none of them in the foreground title, 2 allow rows and 5 ignore
// rows. Best and median of several rounds, as the machine may be busy:
//   build/host/bench/watch_tick_cost
// bench/host/before_after.sh runs it beside the same bench built from an
// earlier commit.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/program.h"
#include "config/registry_layout.h"
#include "platform/fake/fake_services.h"
#include "ui/fake/desktop_form_host.h"

namespace {

enum class Lists { kEmpty, kUsual, kFull };

// Milliseconds per tick over `ticks` ticks of a started program.
double TickMs(Lists lists, int ticks) {
  platform::fake::FakeServices fakes;
  ui::fake::DesktopFormHost host{fakes.desktop};
  app::Program program{fakes.services(), host};
  fakes.registry.PutString(config::kMachine, config::kSettingsKey, "DontShowUpdate", "1");
  program.Start();
  program.frmPassword().txtPass.type("tavrolk");
  program.frmPassword().cmdOK.click();
  // The answer is checked off the window thread.
  while (program.frmPassword().checking()) fakes.loop.WaitForEvents();
  program.frmkestrove.cmdcancel.click();
  program.frmkestrove.tmrForeground.setTimerEnabled(false);
  app::FrmKestrove& main = program.frmkestrove;
  if (lists == Lists::kUsual) {
    for (int i = 0; i < 20; ++i) main.lstTasks.addItem("Protected program " + std::to_string(i), true);
    for (int i = 0; i < 2; ++i) {
      main.lstAllow.addItem("Class" + std::to_string(i));
      fakes.desktop.Open("", "Class" + std::to_string(i), false);
    }
    for (int i = 0; i < 5; ++i) main.lstignore.addItem("ignore " + std::to_string(i));
  }
  if (lists == Lists::kFull) {
    for (int i = 0; i < 999; ++i) main.lstTasks.addItem("Notepad", true);
    for (int i = 0; i < 1000; ++i) main.lstAllow.addItem("Class" + std::to_string(i));
    for (int i = 0; i < 999; ++i) main.lstignore.addItem("ignore " + std::to_string(i));
    main.lstignore.addItem("pad");
    // Every allow row's class exists, so the clean-up keeps them all.
    for (int i = 0; i < 1000; ++i) fakes.desktop.Open("", "Class" + std::to_string(i), false);
  }
  fakes.desktop.SetForeground(fakes.desktop.Open("Untitled - Notepad", "Notepad"));
  const int reads_before = fakes.desktop.class_reads();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < ticks; ++i) main.timerKestrove.on_timer();
  const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
  // Every tick scanned Notepad and left it alone.
  if (fakes.desktop.class_reads() - reads_before < ticks || !program.lockRecord().lockReason.empty()) {
    std::fprintf(stderr, "the ticks did not scan the Notepad window\n");
    std::exit(1);
  }
  return spent.count() / ticks;
}

// The best and the median of `rounds` measurements.
std::pair<double, double> BestAndMedian(Lists lists, int ticks, int rounds) {
  std::vector<double> ms;
  for (int r = 0; r < rounds; ++r) ms.push_back(TickMs(lists, ticks));
  std::sort(ms.begin(), ms.end());
  return {ms.front(), ms[ms.size() / 2]};
}

}  // namespace

int main() {
  const auto [empty, empty_median] = BestAndMedian(Lists::kEmpty, 2000, 5);
  const auto [usual, usual_median] = BestAndMedian(Lists::kUsual, 2000, 5);
  const auto [full, full_median] = BestAndMedian(Lists::kFull, 20, 5);
  std::printf("watch tick, empty lists (best, median):                 %.5f  %.5f ms\n", empty, empty_median);
  std::printf("watch tick, usual: 20 tasks (best, median):             %.5f  %.5f ms\n", usual, usual_median);
  std::printf("watch tick, 999 tasks + 1000 allow + 1000 ignore (best, median): %.3f  %.3f ms\n", full,
              full_median);
  std::printf("ratio full/empty: %.0f\n", empty > 0 ? full / empty : 0.0);
  return 0;
}
