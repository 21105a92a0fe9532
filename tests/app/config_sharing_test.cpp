// Export, Import and the drop folder against the fakes: the registry tool's
// command lines, the check before it runs, waiting for it before the reload
// and the deletion, and what the user is told.
#include <chrono>
#include <future>
#include <gtest/gtest.h>

#include "support/program_fixture.h"
#include "support/registry_files.h"

namespace {

using Outcome = platform::RunResult::Outcome;

constexpr const char* kDrop = testing_support::kDropFile;
constexpr char kRejected[] = "C:\\Program Files\\Kestrove Pro\\save\\kstrv7.reg.rejected";
constexpr char kCopy[] = "C:\\Users\\User\\AppData\\Local\\Temp\\kstrv7-import.reg";
constexpr const char* kGood = testing_support::kGoodRegFile;
constexpr const char* kRun = testing_support::kRunRegFile;
const std::string kOutside = std::string(testing_support::kRunRefusal) + ".";

class ConfigSharingTest : public testing_support::ProgramTest {
 protected:
  // The registry tool: unless it cannot start, it writes the task "Imported";
  // it notes the file it was given.
  void SetUp() override {
    StartQuietly();
    fakes.process.on_run = [this](const auto&) {
      copy_at_run = fakes.files.Content(kCopy).value_or("");
      if (tool.outcome != Outcome::kNotStarted) PutTask(0, "Imported,1");
      return tool;
    };
  }
  // Each case starts from the task "Before", stored and shown.
  void Reset(platform::RunResult result) {
    tool = result;
    copy_at_run = "(not run)";
    PutTask(0, "Before,1");
    main.GetConfig();
  }
  std::string Shown() { return main.lstTasks.list(0); }
  std::string Box() { return fakes.dialogs.boxes().empty() ? "" : fakes.dialogs.boxes().back().text; }

  platform::RunResult tool;
  std::string copy_at_run;
};

TEST_F(ConfigSharingTest, ExportWritesKstrv7RegIntoTheChosenFolder) {
  OpenConfiguration();
  fakes.shell.browse_answers = {"C:\\My Configs", "", "D:\\"};
  Reset({Outcome::kExited, 0});
  main.cmdExport.click();
  main.cmdExport.click();  // cancelled: nothing runs
  tool = {Outcome::kExited, 1};
  main.cmdExport.click();
  EXPECT_TRUE(fakes.shell.browsed()[0].flags == 1U && !fakes.shell.browsed()[0].title);
  const auto& runs = fakes.process.runs();
  ASSERT_EQ(runs.size(), 2U);
  EXPECT_EQ(runs[0].program + " " + runs[0].arguments,
            "reg.exe export hklm\\software\\ksv \"C:\\My Configs\\kstrv7.reg\" /y");
  EXPECT_EQ(runs[0].show, platform::ShowCommand::kShowNormalNoActivate);
  EXPECT_EQ(runs[1].arguments, "export hklm\\software\\ksv \"D:\\kstrv7.reg\" /y");
  ASSERT_EQ(fakes.dialogs.boxes().size(), 1U) << "only the failure is reported";
  const auto& box = fakes.dialogs.boxes()[0];
  EXPECT_EQ(
      box.title + ": " + box.text + " " + std::to_string(box.style),
      "Kestrove Pro: The configuration was not exported to D:\\kstrv7.reg: the registry tool reported an "
      "error (exit code 1). 0");
}

TEST_F(ConfigSharingTest, ImportRunsTheToolOnACheckedCopyAndReloadsOnceItHasEnded) {
  OpenConfiguration();
  const std::string file = "C:\\Shared Files\\kstrv7.reg";
  const std::string why = "The configuration was not imported from " + file + ": ";
  const struct {
    const char* content;  // nullptr: no such file
    platform::RunResult tool;
    const char* shown;
    std::string box;
  } cases[] = {
      {kGood, {Outcome::kExited, 0}, "Imported", ""},
      // What the tool wrote before it hung is shown.
      {kGood,
       {Outcome::kTimedOut, 0},
       "Imported",
       why + "the registry tool did not finish within 30 seconds and was stopped."},
      {nullptr, {}, "Before", why + "the file could not be read."},
  };
  for (const auto& c : cases) {
    fakes.files.Delete(file);
    if (c.content != nullptr) fakes.files.AddFile(file, c.content);
    fakes.shell.browse_answers = {file};
    Reset(c.tool);
    const std::size_t boxes = fakes.dialogs.boxes().size();
    main.cmdImport.click();
    EXPECT_EQ(copy_at_run, c.content == kGood ? kGood : "(not run)") << "the tool imports what was checked";
    EXPECT_EQ(Shown(), c.shown) << c.box;
    EXPECT_EQ(fakes.dialogs.boxes().size() - boxes, c.box.empty() ? 0U : 1U);
    EXPECT_TRUE(c.box.empty() || Box() == c.box) << Box();
  }
  EXPECT_EQ(fakes.shell.browsed().back().flags, 0x4000U);
  EXPECT_EQ(fakes.shell.browsed().back().title, "Select import folder:");
  EXPECT_EQ(fakes.process.runs().back().arguments, std::string("import \"") + kCopy + "\"");
  EXPECT_EQ(fakes.process.runs().back().show, platform::ShowCommand::kShowMinimized);
  EXPECT_FALSE(fakes.files.Content(kCopy)) << "the copy goes once the tool has ended";
}

TEST_F(ConfigSharingTest, DropFileIsImportedConfirmedDeletedAndReloadedInThatOrder) {
  Reset({Outcome::kExited, 0});
  fakes.files.AddFolder(kDrop);  // a folder of that name is no file
  fakes.loop.Advance(60000);
  fakes.files.RemoveFolder(kDrop);
  fakes.files.AddFile(kDrop, kGood);
  AtYield(1, [&] { fakes.loop.Advance(60000); });  // a save yielding below the tick: the file waits
  main.Apply();
  EXPECT_TRUE(fakes.process.runs().empty());
  fakes.clock.now = {2026, 12, 6, 9, 5, 0};
  std::string while_shown;
  fakes.dialogs.while_shown = [&] {
    while_shown = Shown() + (fakes.files.Content(kDrop) ? " kept" : " gone");
  };
  fakes.loop.Advance(60000);
  EXPECT_EQ(Box(), "Auto-update of configuration completed on 6-December 9:05");
  EXPECT_EQ(fakes.dialogs.boxes().back().owner, platform::kNoWindow) << "not the hidden main window";
  EXPECT_EQ(while_shown, "Before kept") << "deleted and reloaded once the user has confirmed";
  EXPECT_FALSE(fakes.files.Content(kDrop));
  EXPECT_EQ(Shown(), "Imported");
  fakes.loop.Advance(60000);
  EXPECT_EQ(fakes.process.runs().size(), 1U) << "imported once";
}

TEST_F(ConfigSharingTest, DropFileThatMayNotOrCouldNotBeImportedIsSetAside) {
  const struct {
    const char* content;
    platform::RunResult tool;
    const char* shown;
    std::string end;       // of the message
    const char* rejected;  // kstrv7.reg.rejected afterwards
  } cases[] = {
      {kRun, {}, "Before", kOutside + std::string(" It was renamed to kstrv7.reg.rejected."), kRun},
      {kGood,
       {Outcome::kExited, 1},
       "Imported",
       "(exit code 1). It was renamed to kstrv7.reg.rejected.",
       kGood},
      {kGood, {Outcome::kNotStarted, 0}, "Before", "started. It will be tried again in a minute.", "older"},
  };
  for (const auto& c : cases) {
    Reset(c.tool);
    fakes.files.AddFile(kRejected, "older");
    fakes.files.AddFile(kDrop, c.content);
    fakes.loop.Advance(60000);
    EXPECT_TRUE(Box().starts_with("The configuration was not imported from " + std::string(kDrop) + ": "));
    EXPECT_TRUE(Box().ends_with(c.end)) << Box();
    EXPECT_EQ(Shown(), c.shown) << Box();
    EXPECT_EQ(*fakes.files.Content(kRejected), c.rejected);
    EXPECT_EQ(fakes.files.Content(kDrop).has_value(), c.rejected == std::string("older"))
        << "kept to try again";
    fakes.files.Delete(kDrop);
  }
  EXPECT_EQ(fakes.process.runs().size(), 2U) << "a refused file never reaches the tool";
}

// The watch goes on while the registry tool imports, and nothing else reaches
// the key meanwhile: the buttons that would run the tool again or save are
// disabled, and Apply, a second Import and the drop folder's file wait.
TEST_F(ConfigSharingTest, TheWatchLocksWhileTheToolRunsAndNothingElseTouchesTheKey) {
  Reset({Outcome::kExited, 0});
  OpenConfiguration();
  main.lstTasks.addItem("Notepad", true);
  const platform::WindowId notepad = Foreground("Untitled - Notepad");
  fakes.files.AddFile("C:\\kstrv7.reg", kGood);
  fakes.files.AddFile(kDrop, kGood);
  fakes.shell.browse_answers = {"C:\\kstrv7.reg", "C:\\kstrv7.reg"};
  std::promise<void> meanwhile_done;
  bool ended_after_events = false;
  fakes.process.on_run = [&, done = meanwhile_done.get_future().share()](const auto&) {
    // A tool that takes its time: it ends once the test has looked around,
    // or, when nothing runs meanwhile, after five seconds.
    ended_after_events = done.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    PutTask(0, "Imported,1");
    return tool;
  };
  std::string meanwhile;
  fakes.loop.Post([&] {
    for (const ui::Button* button : {&main.cmdExport, &main.cmdImport, &main.cmdok})
      meanwhile += button->enabled() ? "enabled " : "disabled ";
    fakes.loop.Advance(60000);  // the watch, and the drop folder's minute
    meanwhile += Hidden(notepad) ? "locked " : "open ";
    main.cmdok.on_click();  // the handlers, as if the buttons were not disabled
    main.cmdImport.on_click();
    meanwhile += g.messageText + " " + Box();
    meanwhile_done.set_value();
  });
  main.cmdImport.click();
  EXPECT_TRUE(ended_after_events) << "the events ran while the tool ran";
  EXPECT_EQ(
      meanwhile,
      "disabled disabled disabled locked The settings are being loaded or saved. Press Apply again in a "
      "moment. The settings are being loaded or saved. Import again in a moment.");
  EXPECT_TRUE(main.cmdExport.enabled() && main.cmdImport.enabled() && main.cmdok.enabled());
  EXPECT_EQ(fakes.process.runs().size(), 1U);
  EXPECT_EQ(Shown(), "Imported") << "reloaded once the tool has ended";
  EXPECT_TRUE(fakes.files.Content(kDrop)) << "the drop file waits for the next minute";
}

}  // namespace
