// A Program over the fake services and the headless form host, for tests of
// the program's behaviour through its control models.
#pragma once

#include <gtest/gtest.h>

#include "app/program.h"
#include "config/registry_layout.h"
#include "platform/fake/fake_services.h"
#include "platform/text.h"
#include "ui/fake/desktop_form_host.h"

namespace testing_support {

// Letter case as it was folded before every letter was: A to Z only.
class AsciiOnlyText : public platform::TextService {
 public:
  std::string LowerCase(std::string_view text) override { return platform::AsciiLower(text); }
};

class ProgramTest : public ::testing::Test {
 protected:
  platform::fake::FakeServices fakes;
  ui::fake::DesktopFormHost host{fakes.desktop};
  app::Program program{fakes.services(), host};
  app::FrmKestrove& main = program.frmkestrove;
  engine::Globals& g = program.globals;

  void PutSetting(std::string_view name, std::string_view text) {
    fakes.registry.PutString(config::kMachine, config::kSettingsKey, name, text);
  }
  void PutTask(int n, std::string_view value) {
    fakes.registry.PutString(config::kMachine, config::kTasksKey, "Task" + std::to_string(n), value);
  }
  void PutIgnore(int n, std::string_view value) {
    fakes.registry.PutString(config::kMachine, config::kIgnoreListKey, "Task" + std::to_string(n), value);
  }
  // Starts the program as a user starts it, with the update reminder
  // switched off, and answers the configuration prompt of the start and
  // closes the configuration window: the program then runs in the tray with
  // no lock pending.
  // The quick foreground check between ticks is left off: the tests count
  // one watch tick a second (the check has tests of its own).
  void StartQuietly() {
    PutSetting("DontShowUpdate", "1");
    program.Start();
    program.frmPassword.txtPass.setText("tavrolk");
    program.frmPassword.cmdOK.click();
    main.cmdcancel.click();
    main.tmrForeground.setTimerEnabled(false);
  }
  // One watch tick, as timerKestrove fires it.
  void Tick() { fakes.loop.Advance(1000); }
};

}  // namespace testing_support
