// What one watch tick costs at its worst, in the host build with the fakes:
// 999 checked tasks, 1000 allow rows and 1000 ignore rows; every task entry
// is found in the foreground title, no allow row equals it, and only the last
// ignore row is found in the entries, so every task runs the whole allow and
// ignore tests and nothing is hidden. Printed beside the cost of a tick over
// empty lists, as a ratio in one run:
//   build/host/bench/watch_tick_cost
#include <chrono>
#include <cstdio>
#include <string>

#include "app/program.h"
#include "config/registry_layout.h"
#include "platform/fake/fake_services.h"
#include "ui/fake/desktop_form_host.h"

namespace {

// Milliseconds per tick over `ticks` ticks of a started program.
double TickMs(bool full, int ticks) {
  platform::fake::FakeServices fakes;
  ui::fake::DesktopFormHost host{fakes.desktop};
  app::Program program{fakes.services(), host};
  fakes.registry.PutString(config::kMachine, config::kSettingsKey, "DontShowUpdate", "1");
  program.Start();
  program.frmPassword().txtPass.setText("tavrolk");
  program.frmPassword().cmdOK.click();
  program.frmkestrove.cmdcancel.click();
  app::FrmKestrove& main = program.frmkestrove;
  if (full) {
    for (int i = 0; i < 999; ++i) main.lstTasks.addItem("Notepad", true);
    for (int i = 0; i < 1000; ++i) main.lstAllow.addItem("Class" + std::to_string(i));
    for (int i = 0; i < 999; ++i) main.lstignore.addItem("ignore " + std::to_string(i));
    main.lstignore.addItem("pad");
    // Every allow row's class exists, so the clean-up keeps them all.
    for (int i = 0; i < 1000; ++i) fakes.desktop.Open("", "Class" + std::to_string(i), false);
  }
  fakes.desktop.SetForeground(fakes.desktop.Open("Untitled - Notepad", "Notepad"));
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < ticks; ++i) main.timerKestrove.on_timer();
  const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
  return spent.count() / ticks;
}

}  // namespace

int main() {
  const double empty = TickMs(false, 2000);
  const double full = TickMs(true, 20);
  std::printf("watch tick, empty lists:                       %.4f ms\n", empty);
  std::printf("watch tick, 999 tasks + 1000 allow + 1000 ignore: %.3f ms\n", full);
  std::printf("ratio full/empty: %.0f\n", empty > 0 ? full / empty : 0.0);
  return 0;
}
