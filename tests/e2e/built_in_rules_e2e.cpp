// End to end: the built-in protection rules against real windows: Wine's
// registry editor under "DisableRegistryTools", a browser frame opened in the
// background under "LockIE", the program's own uninstaller (always guarded,
// never hidden) and an installer title under "LockInstall". Windows Wine does
// not have come from kswindow.exe, whose log tells what the program sent them.
#include <string>

#include "e2e/harness.h"

namespace e2e {
namespace {

constexpr const char* kEnterPasswordHint =
    "Enter a password to continue, or, contact your network administrator.";

struct RuleCase {
  const char* name;
  const char* setting;  // nullptr: the rule is always on
  bool dword_setting;   // stored as REG_DWORD 1 rather than "1"
  const char* class_name;
  const char* title;  // of the helper window; nullptr: Wine's registry editor
  bool background;    // opened behind Notepad, never active
  bool hidden;        // hidden under the prompt, else left visible beneath it
  const char* hint;   // the prompt's hint, or nullptr when not looked at
  const char* after;  // what the program says after the password, or nullptr
  const char* shot;   // nullptr: the same picture as another case's
};

constexpr RuleCase kRules[] = {
    {"RegistryEditor", "DisableRegistryTools", true, "RegEdit_RegEdit", nullptr, false, true,
     kEnterPasswordHint, nullptr, "registry-editor-locked"},
    {"BrowserFrameInBackground", "LockIE", false, "IEFrame", "Home - Internet Explorer", true, true, nullptr,
     nullptr, nullptr},
    {"OwnUninstaller", nullptr, false, "KsUninstallWindow", "Uninstall Kestrove Pro", false, false,
     kEnterPasswordHint, nullptr, "uninstaller-guarded"},
    {"Installer", "LockInstall", false, "KsSetupWindow", "Product Setup", false, false, nullptr,
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
  const HelperWindow helper =
      c.title != nullptr
          ? StartHelperWindow({.class_name = c.class_name,
                               .title = c.title,
                               .refuse_close = true,
                               .background = c.background})
          : HelperWindow{.window = WaitForWindow(
                             {.class_name = c.class_name, .process_id = StartProgram("regedit.exe").Id()},
                             c.class_name)};
  const HWND window = helper.window;
  ASSERT_NE(window, nullptr);

  const HWND prompt = WaitForPrompt(kestrove_->Id(), "over the window");
  ASSERT_NE(prompt, nullptr);
  EXPECT_TRUE(c.hint == nullptr || PromptHint(prompt) == c.hint) << "hint \"" << PromptHint(prompt) << "\"";
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

  // The right password gives the window back and lets it be: in the
  // foreground it raises no prompt again, and it is never asked to close.
  ASSERT_TRUE(AnswerPrompt(prompt, kDefaultPassword));
  const auto says_so = [&] {
    for (HWND shown : FindWindows({.process_id = kestrove_->Id(), .visible_only = true})) {
      if (FindChild(shown, "Static", c.after) != nullptr) return true;
    }
    return false;
  };
  EXPECT_TRUE(c.after == nullptr || WaitUntil(says_so, c.after));
  ASSERT_TRUE(WaitUntil([&] { return IsShown(window) && FindPrompt(kestrove_->Id()) == nullptr; },
                        "the window back and the prompt gone"))
      << Describe(window);
  ::SetForegroundWindow(window);
  ASSERT_TRUE(WaitUntil([&] { return IsForeground(window); }, "the window in the foreground"));
  EXPECT_TRUE(HoldsFor([&] { return IsShown(window) && FindPrompt(kestrove_->Id()) == nullptr; }, kThreeTicks,
                       "the allowed window staying visible without a prompt"))
      << Describe(window);
  EXPECT_EQ(helper.CountStartingWith("WM_CLOSE "), 0) << "the window was asked to close";
  EXPECT_TRUE(kestrove_->Running());
}

INSTANTIATE_TEST_SUITE_P(Windows, BuiltInRules, ::testing::ValuesIn(kRules),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
