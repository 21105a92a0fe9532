// A Program over the fake services and the headless form host, for tests of
// the program's behaviour through its control models.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>

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

// The rows of a list box or check-box list, in order.
template <typename List>
std::vector<std::string> Rows(const List& list) {
  std::vector<std::string> rows;
  rows.reserve(static_cast<std::size_t>(list.listCount()));
  for (int i = 0; i < list.listCount(); ++i) rows.push_back(list.list(i));
  return rows;
}

class ProgramTest : public ::testing::Test {
 public:
  platform::fake::FakeServices fakes;
  ui::fake::DesktopFormHost host{fakes.desktop};
  app::Program program{fakes.services(), host};
  app::FrmKestrove& main = program.frmkestrove;
  engine::FrmPassword& prompt = program.frmPassword();
  engine::Globals& g = program.globals();
  const engine::LockRecord& record = program.lockRecord();

  void PutSetting(std::string_view name, std::string_view text) {
    fakes.registry.PutString(config::kMachine, config::kSettingsKey, name, text);
  }
  std::optional<std::string> Setting(std::string_view name) {
    return fakes.registry.GetString(config::kMachine, config::kSettingsKey, name);
  }
  void PutTask(int n, std::string_view value) {
    fakes.registry.PutString(config::kMachine, config::kTasksKey, "Task" + std::to_string(n), value);
  }
  // Replaces the rows of the task list (entry, checked).
  void SetTasks(const std::vector<std::pair<std::string, bool>>& rows) {
    main.lstTasks.clear();
    for (const auto& [entry, checked] : rows) main.lstTasks.addItem(entry, checked);
  }
  void PutIgnore(int n, std::string_view value) {
    fakes.registry.PutString(config::kMachine, config::kIgnoreListKey, "Task" + std::to_string(n), value);
  }
  // A list's values as the loader reads them: Task0 to Task999 in order,
  // empty ones skipped; cheap enough to run after every single write.
  std::vector<std::string> Stored(std::string_view key) {
    std::map<int, std::string> by_number;
    for (const std::string& name : fakes.registry.ValueNames(config::kMachine, key)) {
      const std::string digits = name.starts_with("Task") ? name.substr(4) : "";
      const int n = std::atoi(digits.c_str());
      const auto v = fakes.registry.GetString(config::kMachine, key, name);
      if (std::to_string(n) == digits && n < 1000 && v && !v->empty()) by_number[n] = *v;
    }
    std::vector<std::string> values;
    values.reserve(by_number.size());
    for (auto& [n, value] : by_number) values.push_back(value);
    return values;
  }
  // The per-user store of the daily usage limit.
  void PutStore(std::string_view key, std::string_view value) {
    program.settings().SaveSetting("kestrove", "setting", key, value);
  }
  std::string Store(std::string_view key) {
    return program.settings().GetSetting("kestrove", "setting", key);
  }

  // Starts the program without the update reminder, answers the start's
  // prompt and closes the configuration: it runs in the tray, no lock
  // pending. The quick foreground check is left off (it has its own tests).
  void StartQuietly() {
    PutSetting("DontShowUpdate", "1");
    program.Start();
    Type("tavrolk");
    main.cmdcancel.click();
    main.tmrForeground.setTimerEnabled(false);
  }
  // Opens the configuration as a user does: a double-click on the tray icon
  // and the password. Only then do its window and dialogs take input.
  void OpenConfiguration(std::string_view password = "tavrolk") {
    main.on_message(platform::kTrayCallbackMessage, 0, 0x203);  // WM_LBUTTONDBLCLK
    Type(password);
    ASSERT_TRUE(main.takesInput());
  }
  // One watch tick, as timerKestrove fires it.
  void Tick() { fakes.loop.Advance(1000); }
  // Types into the unlock prompt, presses OK and waits for the answer.
  void Type(std::string_view text) {
    prompt.txtPass.type(text);
    prompt.cmdOK.click();
    FinishCheck();
  }
  // Runs events, the clock still, until the answer checked off the window
  // thread has been acted on.
  void FinishCheck() {
    while (prompt.checking()) fakes.loop.WaitForEvents();
  }
  // Runs event once, at the n-th yield from now.
  void AtYield(int n, std::function<void()> event) {
    fakes.loop.on_do_events = [this, at = fakes.loop.do_events_count() + n,
                               event = std::move(event)](int count) {
      if (count != at) return;
      const std::function<void()> once = event;
      fakes.loop.on_do_events = nullptr;  // destroys this lambda
      once();
    };
  }
  platform::WindowId Foreground(std::string title, std::string class_name = "Notepad") {
    const platform::WindowId id = fakes.desktop.Open(std::move(title), std::move(class_name));
    fakes.desktop.SetForeground(id);
    return id;
  }
  bool Hidden(platform::WindowId id) { return !fakes.desktop.Get(id).visible; }
  std::vector<platform::ShowCommand> ShowsOf(platform::WindowId id) {
    std::vector<platform::ShowCommand> commands;
    for (const auto& call : fakes.desktop.show_calls()) {
      if (call.window == id) commands.push_back(call.command);
    }
    return commands;
  }
  // No lock pending, and neither the prompt, its cover nor the placeholder is up.
  bool PromptGone() {
    return !prompt.loaded() && !program.frmblank().loaded() && !program.frmDummy().loaded() &&
           record.lockReason.empty();
  }
};

// The program running in the tray, as after StartQuietly.
class StartedProgramTest : public ProgramTest {
 public:
  void SetUp() override { StartQuietly(); }
};

}  // namespace testing_support
