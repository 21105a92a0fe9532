// End to end: the built-in rules against Wine's registry editor, a browser
// frame opened in the background, the program's own uninstaller (guarded, never
// hidden) and an installer, the last three from kswindow.exe and its log.
#include "e2e/harness.h"

namespace e2e {
namespace {

struct RuleCase {
  const char* name;
  const char* setting;  // nullptr: the rule is always on
  bool dword_setting;   // stored as REG_DWORD 1 rather than "1"
  const char* class_name;
  const char* title;  // of the helper window; nullptr: Wine's registry editor
  bool background;    // opened behind Notepad, never active
  bool hidden;        // hidden under the prompt, else left visible beneath it
  const char* after;  // what the program says after the password, or nullptr
  const char* shot;   // nullptr: the same picture as another case's
};

constexpr RuleCase kRules[] = {
    {"RegistryEditor", "DisableRegistryTools", true, "RegEdit_RegEdit", nullptr, false, true, nullptr,
     "registry-editor-locked"},
    {"BrowserFrameInBackground", "LockIE", false, "IEFrame", "Home - Internet Explorer", true, true, nullptr,
     nullptr},
    {"OwnUninstaller", nullptr, false, "KsUninstallWindow", "Uninstall Kestrove Pro", false, false, nullptr,
     "uninstaller-guarded"},
    {"Installer", "LockInstall", false, "KsSetupWindow", "Product Setup", false, false,
     "All Software Installations are permitted until you Log-Off or Restart Windows.", nullptr},
};

class BuiltInRules : public Scenario, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(BuiltInRules, LockUntilTheRightPassword) {
  const RuleCase& c = GetParam();
  if (c.setting != nullptr) {
    ASSERT_TRUE(c.dword_setting ? SetDword(HKEY_LOCAL_MACHINE, kSettingsKey, c.setting, 1)
                                : SetString(HKEY_LOCAL_MACHINE, kSettingsKey, c.setting, "1"));
  }
  ASSERT_NO_FATAL_FAILURE(StartPastGate());
  if (c.background) {
    const HWND notepad = OpenNotepad();
    ASSERT_TRUE(WaitUntil([&] { return IsForeground(notepad); }, "Notepad in the foreground"));
  }
  // Wine's registry editor has no log (its counts read 0); hidden or not: the
  // program may hide it before this looks.
  HelperWindow helper;
  if (c.title != nullptr) {
    helper = StartHelperWindow(
        {.class_name = c.class_name, .title = c.title, .refuse_close = true, .background = c.background});
  } else {
    const DWORD regedit = StartProgram("regedit.exe").Id();
    helper.window = WaitForWindow({.class_name = c.class_name, .process_id = regedit}, c.class_name);
  }
  const HWND window = helper.window;
  ASSERT_NE(window, nullptr);

  const HWND prompt = WaitForPrompt(kestrove_->Id(), "over the window");
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(PromptHint(prompt), "Enter a password to continue, or, contact your network administrator.");
  if (c.hidden) {
    EXPECT_TRUE(WaitUntil([&] { return !IsShown(window); }, "the window to be hidden")) << Describe(window);
  } else {
    EXPECT_TRUE(HoldsFor([&] { return IsShown(window) && FindPrompt(kestrove_->Id()) == prompt; },
                         kThreeTicks, "the window staying visible under the prompt"))
        << Describe(window);
    EXPECT_EQ(helper.CountStartingWith("WM_SHOWWINDOW 0"), 0) << "the window was hidden";
  }
  // Found in the background, not when it took the foreground.
  EXPECT_TRUE(!c.background || helper.CountStartingWith("WM_ACTIVATE 1") == 0)
      << "activated: this proves nothing";
  if (c.shot != nullptr) Screenshot(c.shot);

  ASSERT_TRUE(AnswerPrompt(prompt, kDefaultPassword));
  const auto says_so = [&] {
    for (HWND shown : FindWindows({.process_id = kestrove_->Id(), .visible_only = true})) {
      if (FindChild(shown, "Static", c.after) != nullptr) return true;
    }
    return false;
  };
  EXPECT_TRUE(c.after == nullptr || WaitUntil(says_so, c.after));
  const auto back = [&] { return IsShown(window) && FindPrompt(kestrove_->Id()) == nullptr; };
  ASSERT_TRUE(WaitUntil(back, "the window back and the prompt gone")) << Describe(window);
  ::SetForegroundWindow(window);
  ASSERT_TRUE(WaitUntil([&] { return IsForeground(window); }, "the window in the foreground"));
  EXPECT_TRUE(HoldsFor(back, kThreeTicks, "the allowed window staying visible without a prompt"));
  EXPECT_EQ(helper.CountStartingWith("WM_CLOSE "), 0) << "the window was asked to close";
  EXPECT_TRUE(kestrove_->Running());
}

INSTANTIATE_TEST_SUITE_P(Windows, BuiltInRules, ::testing::ValuesIn(kRules),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
