// End to end: the built-in protection rules against real windows. The
// registry editor (Wine's regedit.exe) under "DisableRegistryTools"; browser
// frames of class "IEFrame" under "LockIE", also in the background; the
// program's own uninstaller, always guarded; installer titles under
// "LockInstall". Windows Wine does not have come from kswindow.exe, whose log
// tells which messages the program sent them.
#include <chrono>
#include <string>

#include "e2e/prompt_steps.h"

namespace e2e {
namespace {

using std::chrono::duration_cast;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

// The program looks at the foreground window once a second, so a locked
// window is caught within two seconds of appearing.
constexpr milliseconds kWithinTwoSeconds{2000};

constexpr const char* kInstallerPermitted =
    "All Software Installations are permitted until you Log-Off or Restart Windows.";

int ElapsedMs(steady_clock::time_point since) {
  return static_cast<int>(duration_cast<milliseconds>(steady_clock::now() - since).count());
}

// Whether a window answers messages, i.e. is not hung.
bool Responds(HWND window) {
  DWORD_PTR result = 0;
  return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

class BuiltInRules : public PromptScenario {
 protected:
  // Starts kswindow.exe and returns its window once it is shown.
  HWND OpenHelperWindow(const HelperWindowOptions& options, HelperWindow& helper,
                        std::source_location where = std::source_location::current()) {
    helper = StartHelperWindow(options, where);
    const HWND window =
        WaitForWindow(WindowQuery().OfClass(options.class_name).OfProcess(helper.process->Id()).VisibleOnly(),
                      "the window \"" + options.title + "\"", kDefaultTimeout, where);
    // What the log leaves out counts only while it is being written.
    WaitUntil([&] { return helper.CountInLog("WM_SHOWWINDOW 1") == 1; }, kDefaultTimeout,
              "the helper window's log to record that it was shown", where);
    return window;
  }

  // A shown window of the program holding a label with this text, or nullptr.
  HWND FindMessageWith(std::string_view text) const {
    for (HWND window : FindWindows(WindowQuery().OfProcess(kestrove_->Id()).VisibleOnly())) {
      if (FindChild(window, "Static", text) != nullptr) return window;
    }
    return nullptr;
  }
};

// ---- Registry editor ---------------------------------------------------------

TEST_F(BuiltInRules, RegistryEditorHiddenUntilRightPassword) {
  ASSERT_TRUE(SetDword(HKEY_LOCAL_MACHINE, kSettingsKey, "DisableRegistryTools", 1));
  ASSERT_NO_FATAL_FAILURE(StartPastGate());

  const Process& regedit = StartProgram("regedit.exe");
  const HWND editor =
      WaitForWindow(WindowQuery().OfClass("RegEdit_RegEdit").OfProcess(regedit.Id()).VisibleOnly(),
                    "the registry editor's window");
  ASSERT_NE(editor, nullptr);
  const auto appeared = steady_clock::now();
  EXPECT_TRUE(WaitUntil([&] { return !IsShown(editor); }, kWithinTwoSeconds,
                        "the registry editor to be hidden within two seconds"))
      << "editor: " << Describe(editor) << "; foreground: " << Describe(::GetForegroundWindow());
  RecordProperty("registry_editor_hidden_after_ms", ElapsedMs(appeared));

  const HWND prompt = WaitForPrompt(kestrove_->Id(), "over the hidden registry editor");
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(PromptHint(prompt), kEnterPasswordHint);
  EXPECT_TRUE(regedit.Running()) << "the registry editor was closed, not hidden";
  Screenshot("registry-editor-locked");

  ASSERT_TRUE(AnswerPrompt(prompt, kDefaultPassword));
  ASSERT_TRUE(WaitUntil([&] { return IsShown(editor) && FindPrompt(kestrove_->Id()) == nullptr; },
                        "the registry editor back and the prompt gone"))
      << "editor: " << Describe(editor) << "; prompt: " << Describe(FindPrompt(kestrove_->Id()));
  // The rule is off until the configuration is loaded again: the editor in
  // the foreground is left alone tick after tick, and answers as usual.
  ASSERT_TRUE(WaitUntil([&] { return IsForeground(editor); }, "the registry editor in the foreground"))
      << "foreground: " << Describe(::GetForegroundWindow());
  EXPECT_TRUE(HoldsFor([&] { return IsShown(editor) && FindPrompt(kestrove_->Id()) == nullptr; }, kThreeTicks,
                       "the registry editor staying visible without a prompt"))
      << "editor: " << Describe(editor) << "; foreground: " << Describe(::GetForegroundWindow());
  EXPECT_EQ(WindowTitle(editor), "Registry Editor");
  EXPECT_TRUE(::IsWindowEnabled(editor));
  EXPECT_TRUE(Responds(editor)) << "the registry editor does not answer";
  EXPECT_TRUE(IsShown(FindChild(editor, "SysTreeView32"))) << "the registry editor shows no key tree";
  Screenshot("registry-editor-unlocked");
}

// ---- Browser frames ----------------------------------------------------------

TEST_F(BuiltInRules, BrowserFrameHiddenEvenInBackground) {
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kSettingsKey, "LockIE", "1"));
  ASSERT_NO_FATAL_FAILURE(StartPastGate());
  const HWND notepad = OpenNotepad();
  ASSERT_NE(notepad, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return IsForeground(notepad); }, "Notepad to have the focus"));

  HelperWindow browser;
  const HWND frame = OpenHelperWindow(
      {.class_name = "IEFrame", .title = "Home - Internet Explorer", .background = true}, browser);
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return !IsShown(frame); }, "the browser frame to be hidden"))
      << "frame: " << Describe(frame) << "; foreground: " << Describe(::GetForegroundWindow());
  const HWND prompt = WaitForPrompt(kestrove_->Id(), "over the hidden browser frame");
  ASSERT_NE(prompt, nullptr);
  // The frame never had the focus: it was found while in the background.
  EXPECT_EQ(browser.CountInLog("WM_ACTIVATE 1"), 0) << "the frame was activated; the test proves nothing";
  EXPECT_GE(browser.CountInLog("WM_SHOWWINDOW 0"), 1) << "the frame was not hidden by ShowWindow";
  EXPECT_EQ(browser.CountStartingWith("WM_CLOSE "), 0) << "the frame was asked to close";

  // The right password shows the frame again; it stays unlocked while it
  // is open.
  ASSERT_TRUE(AnswerPrompt(prompt, kDefaultPassword));
  ASSERT_TRUE(WaitUntil([&] { return IsShown(frame) && FindPrompt(kestrove_->Id()) == nullptr; },
                        "the browser frame back and the prompt gone"))
      << "frame: " << Describe(frame);
  EXPECT_TRUE(HoldsFor([&] { return IsShown(frame) && FindPrompt(kestrove_->Id()) == nullptr; }, kThreeTicks,
                       "the unlocked browser frame staying visible"))
      << "frame: " << Describe(frame);
}

// ---- The program's own uninstaller -------------------------------------------

TEST_F(BuiltInRules, OwnUninstallerStaysVisibleUnderPrompt) {
  // No setting: this rule is always on.
  ASSERT_NO_FATAL_FAILURE(StartPastGate());
  HelperWindow uninstaller;
  const HWND window = OpenHelperWindow(
      {.class_name = "KsUninstallWindow", .title = "Uninstall Kestrove Pro", .refuse_close = true},
      uninstaller);
  ASSERT_NE(window, nullptr);
  const HWND prompt = WaitForPrompt(kestrove_->Id(), "over the uninstaller");
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(PromptHint(prompt), kEnterPasswordHint);
  EXPECT_TRUE(HoldsFor([&] { return IsShown(window) && FindPrompt(kestrove_->Id()) == prompt; }, kThreeTicks,
                       "the uninstaller staying visible under the prompt"))
      << "uninstaller: " << Describe(window) << "; prompt: " << Describe(FindPrompt(kestrove_->Id()));
  EXPECT_EQ(uninstaller.CountInLog("WM_SHOWWINDOW 0"), 0) << "the uninstaller was hidden";
  EXPECT_EQ(uninstaller.CountStartingWith("WM_CLOSE "), 0) << "the uninstaller was asked to close";
  Screenshot("uninstaller-guarded");

  // The right password lets the uninstaller run: in the foreground again it
  // raises no prompt.
  ASSERT_TRUE(AnswerPrompt(prompt, kDefaultPassword));
  ASSERT_TRUE(WaitUntil([&] { return FindPrompt(kestrove_->Id()) == nullptr; }, "the prompt to go"));
  ::SetForegroundWindow(window);
  ASSERT_TRUE(WaitUntil([&] { return IsForeground(window); }, "the uninstaller in the foreground"));
  EXPECT_TRUE(HoldsFor([&] { return FindPrompt(kestrove_->Id()) == nullptr && IsShown(window); }, kThreeTicks,
                       "no prompt over the allowed uninstaller"))
      << "uninstaller: " << Describe(window);
  EXPECT_EQ(uninstaller.CountStartingWith("WM_CLOSE "), 0) << "the uninstaller was asked to close";
}

// ---- Installers --------------------------------------------------------------

TEST_F(BuiltInRules, InstallerLockLeavesUpperCaseSetupAlone) {
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kSettingsKey, "LockInstall", "1"));
  ASSERT_NO_FATAL_FAILURE(StartPastGate());
  HelperWindow setup;
  const HWND window =
      OpenHelperWindow({.class_name = "KsSetupWindow", .title = "SETUP", .refuse_close = true}, setup);
  ASSERT_NE(window, nullptr);
  // Only the foreground title is looked at: make sure it is this one.
  ASSERT_TRUE(WaitUntil([&] { return IsForeground(window); }, "\"SETUP\" in the foreground"));

  EXPECT_TRUE(HoldsFor([&] { return FindPrompt(kestrove_->Id()) == nullptr && IsShown(window); }, kThreeTicks,
                       "\"SETUP\" left alone without a prompt"))
      << "window: " << Describe(window) << "; foreground: " << Describe(::GetForegroundWindow());
  EXPECT_EQ(setup.CountStartingWith("WM_CLOSE "), 0);
}

TEST_F(BuiltInRules, InstallerLockRaisesPromptOverVisibleInstaller) {
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kSettingsKey, "LockInstall", "1"));
  ASSERT_NO_FATAL_FAILURE(StartPastGate());
  HelperWindow installer;
  const HWND window = OpenHelperWindow(
      {.class_name = "KsSetupWindow", .title = "Product Setup", .refuse_close = true}, installer);
  ASSERT_NE(window, nullptr);
  const auto appeared = steady_clock::now();
  const HWND prompt = WaitForPrompt(kestrove_->Id(), "over the installer");
  ASSERT_NE(prompt, nullptr);
  RecordProperty("installer_prompt_after_ms", ElapsedMs(appeared));
  EXPECT_TRUE(HoldsFor([&] { return IsShown(window) && FindPrompt(kestrove_->Id()) == prompt; }, kThreeTicks,
                       "the installer staying visible under the prompt"))
      << "installer: " << Describe(window) << "; prompt: " << Describe(FindPrompt(kestrove_->Id()));
  EXPECT_EQ(installer.CountInLog("WM_SHOWWINDOW 0"), 0) << "the installer was hidden";
  Screenshot("installer-locked");

  // The right password permits installations and tells so; the installer the
  // user just allowed is never asked to close.
  ASSERT_TRUE(AnswerPrompt(prompt, kDefaultPassword));
  EXPECT_TRUE(WaitUntil([&] { return FindMessageWith(kInstallerPermitted) != nullptr; },
                        "the message that installations are permitted"));
  EXPECT_TRUE(WaitUntil([&] { return FindPrompt(kestrove_->Id()) == nullptr; }, "the prompt to go"));
  EXPECT_TRUE(HoldsFor([&] { return IsShown(window) && installer.CountStartingWith("WM_CLOSE ") == 0; },
                       kThreeTicks, "the allowed installer left open"))
      << "installer: " << Describe(window) << "; log: " << installer.CountStartingWith("WM_CLOSE ")
      << " WM_CLOSE";
  EXPECT_TRUE(kestrove_->Running());
}

}  // namespace
}  // namespace e2e
