// Export, Import and the drop folder against the fakes: the registry tool's
// command lines, what is checked before it runs, waiting for it before the
// reload and the deletion, and what the user is told.
#include <gtest/gtest.h>

#include "support/program_fixture.h"

namespace {

using platform::RunResult;
using platform::ShowCommand;

constexpr char kDropFile[] = "C:\\Program Files\\Kestrove Pro\\save\\kstrv7.reg";
constexpr char kRejected[] = "C:\\Program Files\\Kestrove Pro\\save\\kstrv7.reg.rejected";
constexpr char kCopy[] = "C:\\Users\\User\\AppData\\Local\\Temp\\kstrv7-import.reg";
constexpr char kGoodFile[] =
    "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\KSV\\Tasks]\r\n\"Task0\"=\"Imported,1\"\r\n";
constexpr char kRunFile[] =
    "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n\"x\"=\"y\"\r\n";

class ConfigSharingTest : public testing_support::ProgramTest {
 protected:
  void SetUp() override {
    PutTask(0, "Before,1");
    StartQuietly();
    // The registry tool: imports the checked copy (as the fake registry
    // cannot read the file, it writes what kGoodFile holds).
    fakes.process.on_run = [this](const platform::fake::FakeProcess::RunCall& /*call*/) {
      copy_at_run = fakes.files.Content(kCopy) ? *fakes.files.Content(kCopy) : "<none>";
      if (tool.outcome != RunResult::Outcome::kNotStarted) PutTask(0, "Imported,1");
      return tool;
    };
  }
  std::string Shown() { return main.lstTasks.listCount() > 0 ? main.lstTasks.list(0) : ""; }
  std::string LastBox() { return fakes.dialogs.boxes().empty() ? "" : fakes.dialogs.boxes().back().text; }
  void Minute() { fakes.loop.Advance(60000); }

  RunResult tool{RunResult::Outcome::kExited, 0};
  std::string copy_at_run;
};

TEST_F(ConfigSharingTest, ExportCommandLines) {
  struct {
    const char* chosen;
    RunResult tool;
    const char* arguments;  // nullptr: no run
    const char* box;        // "" : none
  } const cases[] = {
      {"C:\\My Configs",
       {RunResult::Outcome::kExited, 0},
       "export hklm\\software\\ksv \"C:\\My Configs\\kstrv7.reg\" /y",
       ""},
      {"D:\\", {RunResult::Outcome::kExited, 0}, "export hklm\\software\\ksv \"D:\\kstrv7.reg\" /y", ""},
      {"", {}, nullptr, ""},
      {"C:\\Out",
       {RunResult::Outcome::kExited, 1},
       "export hklm\\software\\ksv \"C:\\Out\\kstrv7.reg\" /y",
       "The configuration was not exported to C:\\Out\\kstrv7.reg: the registry tool reported an error (exit "
       "code "
       "1)."},
      {"C:\\Out",
       {RunResult::Outcome::kNotStarted, 0},
       "export hklm\\software\\ksv \"C:\\Out\\kstrv7.reg\" /y",
       "The configuration was not exported to C:\\Out\\kstrv7.reg: the registry tool reg.exe could not be "
       "started."},
  };
  for (const auto& c : cases) {
    const std::size_t runs = fakes.process.runs().size();
    const std::size_t boxes = fakes.dialogs.boxes().size();
    tool = c.tool;
    fakes.shell.browse_answers = {c.chosen};
    main.cmdExport.click();
    EXPECT_EQ(fakes.shell.browsed().back().flags, 1U);
    EXPECT_FALSE(fakes.shell.browsed().back().title);
    ASSERT_EQ(fakes.process.runs().size(), runs + (c.arguments ? 1 : 0)) << c.chosen;
    if (c.arguments) {
      const auto& run = fakes.process.runs().back();
      EXPECT_EQ(run.program, "reg.exe");
      EXPECT_EQ(run.arguments, c.arguments);
      EXPECT_EQ(run.show, ShowCommand::kShowNormalNoActivate);
    }
    EXPECT_EQ(fakes.dialogs.boxes().size(), boxes + (*c.box ? 1 : 0)) << c.chosen;
    if (*c.box) {
      EXPECT_EQ(LastBox(), c.box);
      EXPECT_EQ(fakes.dialogs.boxes().back().title, "Kestrove Pro");
      EXPECT_EQ(fakes.dialogs.boxes().back().style, 0U) << "OK only, no icon";
    }
  }
}

TEST_F(ConfigSharingTest, ImportChecksTheFileImportsACopyAndReloadsAfterTheTool) {
  struct {
    const char* content;  // nullptr: no file
    RunResult tool;
    bool runs;
    const char* shown;  // the first task after the click
    const char* box;
  } const cases[] = {
      {kGoodFile, {RunResult::Outcome::kExited, 0}, true, "Imported", ""},
      {kRunFile,
       {},
       false,
       "Before",
       "The configuration was not imported from C:\\Shared Files\\kstrv7.reg: line 2 writes to "
       "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run, which is outside "
       "HKEY_LOCAL_MACHINE\\Software\\KSV."},
      // Whatever the tool wrote before it failed is shown.
      {kGoodFile,
       {RunResult::Outcome::kTimedOut, 0},
       true,
       "Imported",
       "The configuration was not imported from C:\\Shared Files\\kstrv7.reg: the registry tool did not "
       "finish "
       "within 30 seconds and was stopped."},
      {nullptr,
       {},
       false,
       "Before",
       "The configuration was not imported from C:\\Shared Files\\kstrv7.reg: the file could not be read."},
  };
  for (const auto& c : cases) {
    PutTask(0, "Before,1");
    main.GetConfig();
    const std::size_t runs = fakes.process.runs().size();
    const std::size_t boxes = fakes.dialogs.boxes().size();
    if (c.content) fakes.files.AddFile("C:\\Shared Files\\kstrv7.reg", c.content);
    tool = c.tool;
    fakes.shell.browse_answers = {"C:\\Shared Files\\kstrv7.reg"};
    main.cmdImport.click();
    EXPECT_EQ(fakes.shell.browsed().back().flags, 0x4000U);
    EXPECT_EQ(fakes.shell.browsed().back().title, "Select import folder:");
    ASSERT_EQ(fakes.process.runs().size(), runs + (c.runs ? 1 : 0)) << c.box;
    if (c.runs) {
      const auto& run = fakes.process.runs().back();
      EXPECT_EQ(run.arguments, std::string("import \"") + kCopy + "\"");
      EXPECT_EQ(run.show, ShowCommand::kShowMinimized);
      EXPECT_EQ(copy_at_run, c.content) << "the tool imports exactly what was checked";
      EXPECT_FALSE(fakes.files.Content(kCopy)) << "the copy goes once the tool has ended";
    }
    EXPECT_EQ(Shown(), c.shown) << c.box;
    EXPECT_EQ(fakes.dialogs.boxes().size(), boxes + (*c.box ? 1 : 0));
    if (*c.box) {
      EXPECT_EQ(LastBox(), c.box);
    }
    fakes.files.Delete("C:\\Shared Files\\kstrv7.reg");
  }

  fakes.shell.browse_answers = {""};
  const std::size_t runs = fakes.process.runs().size();
  main.cmdImport.click();
  EXPECT_EQ(fakes.process.runs().size(), runs) << "Cancel imports nothing";
}

TEST_F(ConfigSharingTest, NoDropFileNothingHappensTickAfterTick) {
  fakes.files.AddFolder(kDropFile);  // a folder of that name is no file
  for (int minute = 0; minute < 3; ++minute) Minute();
  EXPECT_TRUE(fakes.process.runs().empty());
  EXPECT_TRUE(fakes.dialogs.boxes().empty());
}

TEST_F(ConfigSharingTest, DropFileIsImportedConfirmedDeletedAndReloadedInThatOrder) {
  fakes.files.AddFile(kDropFile, kGoodFile);
  fakes.clock.now = {2026, 12, 6, 9, 5, 0};
  bool file_kept_while_shown = false;
  std::string shown_while_box;
  fakes.dialogs.while_shown = [&] {
    file_kept_while_shown = fakes.files.Kind(kDropFile) == platform::FileKind::kFile;
    shown_while_box = Shown();
  };
  Minute();
  ASSERT_EQ(fakes.process.runs().size(), 1U);
  EXPECT_EQ(fakes.process.runs()[0].show, ShowCommand::kShowMinimized);
  ASSERT_EQ(fakes.dialogs.boxes().size(), 1U);
  EXPECT_EQ(LastBox(), "Auto-update of configuration completed on 6-December 9:05");
  EXPECT_EQ(fakes.dialogs.boxes()[0].style, 0U);
  EXPECT_TRUE(file_kept_while_shown) << "deleted only once the user has confirmed";
  EXPECT_EQ(shown_while_box, "Before");
  EXPECT_EQ(fakes.files.Kind(kDropFile), platform::FileKind::kMissing);
  EXPECT_EQ(Shown(), "Imported");
  Minute();
  EXPECT_EQ(fakes.process.runs().size(), 1U) << "imported once";
}

TEST_F(ConfigSharingTest, DropFileThatMayNotOrCouldNotBeImportedIsSetAside) {
  struct {
    const char* content;
    RunResult tool;
    const char* shown;
    const char* tail;  // the end of the message
    bool set_aside;
    bool runs;
  } const cases[] = {
      {kRunFile,
       {},
       "Before",
       "which is outside HKEY_LOCAL_MACHINE\\Software\\KSV. It was renamed to kstrv7.reg.rejected.",
       true,
       false},
      {kGoodFile,
       {RunResult::Outcome::kExited, 1},
       "Imported",
       "the registry tool reported an error (exit code 1). It was renamed to kstrv7.reg.rejected.",
       true,
       true},
      {kGoodFile,
       {RunResult::Outcome::kNotStarted, 0},
       "Before",
       "could not be started. It will be tried again in a minute.",
       false,
       true},
  };
  for (const auto& c : cases) {
    PutTask(0, "Before,1");
    main.GetConfig();
    const std::size_t runs = fakes.process.runs().size();
    fakes.files.AddFile(kRejected, "an older one");
    fakes.files.AddFile(kDropFile, c.content);
    tool = c.tool;
    Minute();
    const std::string box = LastBox();
    EXPECT_EQ(box.rfind(std::string("The configuration was not imported from ") + kDropFile + ": ", 0), 0U)
        << box;
    EXPECT_EQ(box.substr(box.size() - std::string(c.tail).size()), c.tail);
    EXPECT_EQ(Shown(), c.shown) << box;
    EXPECT_EQ(fakes.files.Kind(kDropFile),
              c.set_aside ? platform::FileKind::kMissing : platform::FileKind::kFile);
    EXPECT_EQ(*fakes.files.Content(kRejected), c.set_aside ? c.content : "an older one") << "replaced";
    EXPECT_EQ(fakes.process.runs().size(), runs + (c.runs ? 1 : 0))
        << "a refused file never reaches the tool";
    fakes.files.Delete(kDropFile);
  }
}

TEST_F(ConfigSharingTest, DropFileWaitsWhileASaveYields) {
  fakes.files.AddFile(kDropFile, kGoodFile);
  g.saveRunning = true;
  Minute();
  EXPECT_TRUE(fakes.process.runs().empty());
  g.saveRunning = false;
  Minute();
  EXPECT_EQ(fakes.process.runs().size(), 1U);
}

TEST_F(ConfigSharingTest, Image1ShowsTheInstructions) {
  main.Image1.click();
  EXPECT_TRUE(program.frmError.visible());
  EXPECT_EQ(g.messageText,
            "Have your computers update the Configuration automatically.\r"
            "1. From your computer Export the Configuration on Users tab.\r"
            "2. Copy exported file 'kstrv7.reg' to all other computers, to the directory below:\r"
            "C:\\Program Files\\kst7\\Save\r"
            "(where above directory is where software is installed.\r"
            "3. Wait 1 minute. Settings update and confirmation displayed.\r");
}

}  // namespace
