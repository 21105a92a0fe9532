// The built-in protection rules through a watch tick on the fake desktop:
// each rule, their order and interplay, Internet Explorer's re-arming, the
// uninstaller and installer rules, and switches turned off by the prompt.
#include <gtest/gtest.h>

#include "support/program_fixture.h"

namespace {

using platform::WindowId;

using BuiltInRulesTest = testing_support::StartedProgramTest;

struct RuleCase {
  const char* name;
  const char* setting;  // "" for the registry rule (a number)
  const char* title;
  const char* class_name;
  bool in_foreground;
  const char* code;
  const char* entry;
};

class EachRuleTest : public BuiltInRulesTest, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(EachRuleTest, FiresOnlyWhenSwitchedOn) {
  const RuleCase& c = GetParam();
  const WindowId target = fakes.desktop.Open(c.title, c.class_name);
  // A rule that looks anywhere locks every window of its program, also one
  // under a window it hid before (which its class finds first).
  const WindowId over = c.in_foreground ? platform::kNoWindow : fakes.desktop.Open(c.title, c.class_name);
  const WindowId other = Foreground("Untitled - Notepad");
  if (c.in_foreground) fakes.desktop.SetForeground(target);
  Tick();
  EXPECT_TRUE(fakes.desktop.IsVisible(target) && record.lockReason.empty()) << "off by default";

  if (std::string(c.setting).empty()) {
    fakes.registry.PutDword(config::kMachine, config::kSettingsKey, config::kDisableRegistryTools, 1);
  } else {
    PutSetting(c.setting, "1");
  }
  main.GetConfig();
  fakes.desktop.SetForeground(c.in_foreground ? target : other);
  Tick();
  EXPECT_TRUE(Hidden(target) && prompt.visible());
  EXPECT_EQ(record.lockReason, c.code);
  EXPECT_EQ(record.lockedWindow, target);
  EXPECT_EQ(record.lockedTaskEntry, c.entry);
  EXPECT_EQ(fakes.desktop.Get(target).title, c.title) << "rules never rename a window";
  if (over != platform::kNoWindow) {
    Tick();
    EXPECT_TRUE(Hidden(over) && Hidden(target));
  }

  Type("tavrolk");
  EXPECT_TRUE(fakes.desktop.IsVisible(target));
  EXPECT_TRUE(over == platform::kNoWindow || fakes.desktop.IsVisible(over)) << "the password shows them all";
  fakes.desktop.SetForeground(target);
  Tick();
  EXPECT_TRUE(fakes.desktop.IsVisible(target)) << "switched off until the next load";
  main.GetConfig();
  fakes.desktop.SetForeground(target);
  Tick();
  EXPECT_TRUE(Hidden(target)) << "the next load switches it on again";
}

const RuleCase kRules[] = {
    {"RegistryEditor", "", "Registry Editor", "RegEdit_RegEdit", true, "reg", "Registry Tools"},
    {"InternetExplorer", "LockIE", "Home - Internet Explorer", "IEFrame", false, "ie", "Internet Explorer"},
    {"Firefox", "chkLock3Party", "Home - Firefox", "MozillaUIWindowClass", false, "ff", "Mozilla Firefox"},
    {"ExplorerOld", "LockEx", "My Documents", "ExploreWClass", false, "ex", "Windows Explorer"},
    {"ExplorerCabinet", "LockEx", "Documents", "CabinetWClass", false, "ex", "Windows Explorer"},
    {"TaskManager", "TaskManager", "Windows Task Manager", "TaskMgr", false, "tm", "Windows Task Manager"},
    // The same programs under the names they have had since: Firefox 4, Windows 8.
    {"FirefoxSince4", "chkLock3Party", "Home - Firefox", "MozillaWindowClass", false, "ff",
     "Mozilla Firefox"},
    {"TaskManagerTitledSinceWindows8", "TaskManager", "Task Manager", "TaskMgr", false, "tm",
     "Windows Task Manager"},
    {"TaskManagerInAnyLanguageSinceWindows8", "TaskManager", "Gestionnaire des tâches", "TaskManagerWindow",
     false, "tm", "Windows Task Manager"},
};
INSTANTIATE_TEST_SUITE_P(Rules, EachRuleTest, ::testing::ValuesIn(kRules),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BuiltInRulesTest, TitleTestsAreCaseSensitive) {
  fakes.registry.PutDword(config::kMachine, config::kSettingsKey, config::kDisableRegistryTools, 1);
  PutSetting("LockInstall", "1");
  main.GetConfig();
  for (const char* title : {"registry editor", "SETUP", "INSTALL", "UNINSTALL KESTROVE PRO"}) {
    const WindowId id = Foreground(title);
    Tick();
    EXPECT_FALSE(Hidden(id)) << title;
    EXPECT_FALSE(prompt.loaded()) << title;
  }
}

TEST_F(BuiltInRulesTest, UninstallerStaysVisibleAndIsAlwaysGuarded) {
  // An earlier rule's unlock left its window in the record.
  program.RaiseLock(
      {.reason = engine::reason::kRegistry, .window = fakes.desktop.Open("Earlier", "Earlier")});
  Type("tavrolk");
  ASSERT_NE(record.lockedWindow, platform::kNoWindow);
  const WindowId uninstaller = Foreground("Uninstall Kestrove Pro: Confirmation", "#32770");
  Tick();
  EXPECT_TRUE(!Hidden(uninstaller) && prompt.visible());
  EXPECT_EQ(record.lockReason, "un");
  EXPECT_EQ(record.lockedWindow, platform::kNoWindow);
  prompt.cmdCancelPWD.click();
  EXPECT_EQ(fakes.desktop.Get(uninstaller).close_requests, 0) << "Cancel closes nothing";

  fakes.desktop.SetForeground(uninstaller);
  Tick();
  Type("wrong");
  EXPECT_FALSE(fakes.process.uninstall_announced) << "not after Cancel or a wrong password";
  Type("tavrolk");
  EXPECT_TRUE(g.uninstallAllowed);
  EXPECT_TRUE(fakes.process.uninstall_announced) << "the uninstaller may now end the program";
  fakes.desktop.SetForeground(uninstaller);
  Tick();
  EXPECT_FALSE(prompt.loaded()) << "silent for the rest of the run";
}

TEST_F(BuiltInRulesTest, InstallerRuleRaisesThePromptEveryTickAndClosesTheTaskSwitcher) {
  PutSetting("LockInstall", "1");
  main.GetConfig();
  const WindowId switcher = fakes.desktop.Open("", "TaskSwitcherWnd");
  const WindowId installer = Foreground("Product Setup Wizard");
  Tick();
  EXPECT_EQ(record.lockReason, "ins");
  EXPECT_EQ(record.lockedTaskEntry, "Installation Program");
  EXPECT_EQ(record.lockedWindow, platform::kNoWindow);
  EXPECT_FALSE(Hidden(installer));
  EXPECT_EQ(fakes.desktop.Get(switcher).close_requests, 1);
  EXPECT_EQ(fakes.desktop.Foreground(), prompt.window());

  fakes.desktop.SetForeground(installer);
  Tick();
  EXPECT_EQ(fakes.desktop.Foreground(), prompt.window()) << "raised again on every tick";
  EXPECT_EQ(fakes.desktop.Get(switcher).close_requests, 2);

  Type("tavrolk");
  EXPECT_FALSE(g.ruleInstall || fakes.desktop.Get(installer).close_requests > 0)
      << "the right password never closes the installer";
  fakes.desktop.SetForeground(installer);
  Tick();
  EXPECT_FALSE(prompt.loaded());
}

TEST_F(BuiltInRulesTest, OtherRulesDoNotRaiseAVisiblePromptAgain) {
  PutSetting("LockEx", "1");
  main.GetConfig();
  const WindowId explorer = fakes.desktop.Open("Documents", "CabinetWClass");
  Foreground("Untitled - Notepad");
  Tick();
  ASSERT_TRUE(prompt.visible());
  Foreground("Other");
  fakes.desktop.Edit(explorer).visible = true;
  Tick();
  EXPECT_EQ(fakes.desktop.Foreground(), prompt.window()) << "the open prompt takes the front back";
  EXPECT_TRUE(Hidden(explorer)) << "but the window is hidden again";
}

TEST_F(BuiltInRulesTest, InternetExplorerRearmsWhenItsLastWindowIsGone) {
  PutSetting("LockIE", "1");
  main.GetConfig();
  const WindowId first = fakes.desktop.Open("IE", "IEFrame");
  Tick();
  Type("tavrolk");
  EXPECT_EQ(g.ruleIE, 2);
  const WindowId second = fakes.desktop.Open("IE 2", "IEFrame");
  Tick();
  EXPECT_TRUE(fakes.desktop.IsVisible(second)) << "new windows open freely while one is left";
  fakes.desktop.Close(first);
  fakes.desktop.Close(second);
  Tick();
  EXPECT_EQ(g.ruleIE, 1);
  const WindowId third = fakes.desktop.Open("IE 3", "IEFrame");
  Tick();
  EXPECT_TRUE(Hidden(third));
}

TEST_F(BuiltInRulesTest, SeveralRulesInOneTickLeaveTheLastInTheRecord) {
  PutSetting("LockIE", "1");
  PutSetting("TaskManager", "1");
  main.GetConfig();
  const WindowId ie = fakes.desktop.Open("IE", "IEFrame");
  const WindowId tm = fakes.desktop.Open("Windows Task Manager", "TaskManagerWindow");
  main.lstTasks.addItem("Notepad", true);
  const WindowId notepad = Foreground("Untitled - Notepad");
  Tick();
  EXPECT_TRUE(Hidden(ie) && Hidden(tm) && Hidden(notepad));
  EXPECT_EQ(fakes.desktop.Get(notepad).title, "###");
  EXPECT_EQ(record.lockReason, "tm");
  EXPECT_EQ(record.lockedWindow, tm);
  EXPECT_EQ(record.lockedWindowClass, "Notepad") << "only the task match writes the class";
}

}  // namespace
