// End to end: the built-in protection rules against real windows: Wine's
// registry editor under "DisableRegistryTools", a browser frame opened in the
// background under "LockIE", the program's own uninstaller (always guarded,
// never hidden) and an installer title under "LockInstall". Windows Wine does
// not have come from kswindow.exe, whose log tells what the program sent them.
#include <string>

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
  const char* hint;   // the prompt's hint, or nullptr when not looked at
  const char* after;  // what the program says after the password, or nullptr
  const char* shot;
};

constexpr RuleCase kRules[] = {
    {"RegistryEditor", "DisableRegistryTools", true, "RegEdit_RegEdit", nullptr, false, true,
     kEnterPasswordHint.data(), nullptr, "registry-editor-locked"},
    {"BrowserFrameInBackground", "LockIE", false, "IEFrame", "Home - Internet Explorer", true, true, nullptr,
     nullptr, "browser-frame-locked"},
    {"OwnUninstaller", nullptr, false, "KsUninstallWindow", "Uninstall Kestrove Pro", false, false,
     kEnterPasswordHint.data(), nullptr, "uninstaller-guarded"},
    {"Installer", "LockInstall", false, "KsSetupWindow", "Product Setup", false, false, nullptr,
     "All Software Installations are permitted until you Log-Off or Restart Windows.", "installer-locked"},
};

class BuiltInRules : public Scenario, public ::testing::WithParamInterface<RuleCase> {
 protected:
  // A shown window of the program holding a label with this text.
  bool SaysSo(std::string_view text) const {
    for (HWND window : FindWindows({.process_id = kestrove_->Id(), .visible_only = true})) {
      if (FindChild(window, "Static", text) != nullptr) return true;
    }
    return false;
  }
};

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
  HelperWindow helper;
  HWND window = nullptr;
  if (c.title != nullptr) {
    helper = StartHelperWindow(
        {.class_name = c.class_name, .title = c.title, .refuse_close = true, .background = c.background});
    window = helper.window;
  } else {
    // Hidden or not: the program may hide it before this looks.
    const DWORD id = StartProgram("regedit.exe").Id();
    window = WaitForWindow({.class_name = c.class_name, .process_id = id}, c.class_name);
  }
  ASSERT_NE(window, nullptr);
  const auto log_count = [&](std::string_view prefix) {
    return c.title != nullptr ? helper.CountStartingWith(prefix) : 0;
  };

  const HWND prompt = WaitForPrompt(kestrove_->Id(), "over the window");
  ASSERT_NE(prompt, nullptr);
  EXPECT_TRUE(c.hint == nullptr || PromptHint(prompt) == c.hint) << "hint \"" << PromptHint(prompt) << "\"";
  if (c.hidden) {
    EXPECT_TRUE(WaitUntil([&] { return !IsShown(window); }, "the window to be hidden")) << Describe(window);
  } else {
    EXPECT_TRUE(HoldsFor([&] { return IsShown(window) && FindPrompt(kestrove_->Id()) == prompt; },
                         kThreeTicks, "the window staying visible under the prompt"))
        << Describe(window);
    EXPECT_EQ(log_count("WM_SHOWWINDOW 0"), 0) << "the window was hidden";
  }
  // Found in the background, not when it took the foreground.
  EXPECT_TRUE(!c.background || log_count("WM_ACTIVATE 1") == 0) << "it was activated: this proves nothing";
  Screenshot(c.shot);

  // The right password gives the window back and lets it be: in the
  // foreground it raises no prompt again, and it is never asked to close.
  ASSERT_TRUE(AnswerPrompt(prompt, kDefaultPassword));
  EXPECT_TRUE(c.after == nullptr || WaitUntil([&] { return SaysSo(c.after); }, c.after));
  ASSERT_TRUE(WaitUntil([&] { return IsShown(window) && FindPrompt(kestrove_->Id()) == nullptr; },
                        "the window back and the prompt gone"))
      << Describe(window);
  ::SetForegroundWindow(window);
  ASSERT_TRUE(WaitUntil([&] { return IsForeground(window); }, "the window in the foreground"));
  EXPECT_TRUE(HoldsFor([&] { return IsShown(window) && FindPrompt(kestrove_->Id()) == nullptr; }, kThreeTicks,
                       "the allowed window staying visible without a prompt"))
      << Describe(window);
  EXPECT_EQ(log_count("WM_CLOSE "), 0) << "the window was asked to close";
  EXPECT_TRUE(kestrove_->Running());
}

INSTANTIATE_TEST_SUITE_P(Windows, BuiltInRules, ::testing::ValuesIn(kRules),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
