// End to end: the installer the build made. A silent install; the program
// started from Program Files ("?" opens the help file beside it, "Lock a
// Folder" without dirlatch.exe says so, "Update Check" hands over to the
// updater); the uninstaller, whose window the running program guards with
// the password and which, after it, ends the program and removes it.
#include <filesystem>

#include "e2e/harness.h"
#include "platform/win32/wide_text.h"

namespace e2e {
namespace {

constexpr std::string_view kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestrove Pro";
constexpr std::chrono::milliseconds kInstallTimeout{60000};

class Install : public Scenario {
 protected:
  // What a failure may leave open: the uninstaller, the help viewer, the updater.
  void TearDown() override {
    for (const std::string_view title : {"Uninstall Kestrove Pro", "Kestrove Pro Help", "Kestrove Pro Update"}) {
      for (const HWND window : FindWindows({.title = title})) {
        DWORD id = 0;
        ::GetWindowThreadProcessId(window, &id);
        Process(id, ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)).End();
      }
    }
    Scenario::TearDown();
  }
  HWND Shown(std::string_view title, std::string_view what, bool ours = true) {
    return WaitForWindow({.title = title, .process_id = ours ? kestrove_->Id() : 0, .visible_only = true}, what);
  }
};

TEST_F(Install, SilentInstallRunsFromProgramFilesAndThePasswordGuardsTheUninstall) {
  Process& setup = StartProgram(BinDir() + L"\\kestrove-setup.exe", "/S");
  ASSERT_EQ(setup.WaitForExit(kInstallTimeout), 0U) << "the silent install";
  const std::string folder = GetString(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation").value_or("");
  ASSERT_TRUE(folder.ends_with("\\Program Files\\Kestrove Pro")) << "registered folder: " << folder;
  const std::filesystem::path installed = platform::win32::ToWide(folder);
  for (const char* file : {"kstrv7.exe", "KsUpdate.exe", "kestrove.chm", "zarmex.scf", "uninstall.exe"})
    EXPECT_TRUE(std::filesystem::is_regular_file(installed / file)) << file;

  // The help file beside the program; no dirlatch.exe there.
  const HWND config = StartToMainWindow(installed / "kstrv7.exe");
  ASSERT_NE(config, nullptr);
  ASSERT_TRUE(ClickButton(config, "?"));
  const HWND help = Shown("Kestrove Pro Help", "the help window", false);
  ASSERT_TRUE(::PostMessageW(help, WM_CLOSE, 0, 0));
  const HWND link = FindChild(config, "Static", "Lock a Folder");  // a press as the mouse makes it
  ASSERT_TRUE(Send(link, WM_LBUTTONDOWN, MK_LBUTTON) && Send(link, WM_LBUTTONUP));
  const HWND message = Shown("Message:", "the message dialog");
  EXPECT_TRUE(WaitUntil([&] { return FindChild(message, "Static", "dirlatch.exe is not installed."); },
                        "the message that dirlatch.exe is not installed"));
  Screenshot("message-dialog");
  ASSERT_TRUE(ClickButton(message, "OK"));

  // The version resource's numbers; "Update Check", agreed to, ends the
  // program and starts the updater, which finds nothing newer.
  EXPECT_NE(FindChild(config, "Static", "Version: 7.6.3\rRelease: 2011\r"), nullptr);
  ASSERT_TRUE(ClickButton(config, "Update Check"));
  ClickButton(Shown("Program In-use", "the update question"), "OK");  // the program may end meanwhile
  EXPECT_TRUE(kestrove_->WaitForExit().has_value()) << "the program still runs after OK";
  const HWND answer = Shown("Kestrove Pro Update", "the updater's answer", false);
  EXPECT_TRUE(ControlText(::GetDlgItem(answer, 0xFFFF)).starts_with("No update available.\n"));
  ASSERT_TRUE(ClickButton(answer, "OK"));

  // The uninstaller raises the running program's prompt and stays visible
  // under it; after the password it ends the program and removes it.
  ASSERT_TRUE(ClickButton(StartToMainWindow(installed / "kstrv7.exe"), "Cancel"));
  StartProgram(installed / "uninstall.exe");
  const HWND uninstaller = Shown("Uninstall Kestrove Pro", "the uninstaller", false);
  const HWND prompt = WaitForPrompt("for the uninstaller");
  EXPECT_TRUE(HoldsFor([&] { return IsShown(uninstaller) && Prompt() == prompt; }, kThreeTicks,
                       "the uninstaller visible under the prompt"));
  ASSERT_TRUE(AnswerPrompt(prompt, kDefaultPassword));
  Screenshot("uninstaller");
  ASSERT_TRUE(ClickButton(uninstaller, "Uninstall"));
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(uninstaller) && !std::filesystem::exists(installed); },
                        "the uninstaller to end the program, remove its folder and close", kInstallTimeout));
  EXPECT_FALSE(kestrove_->Running());
  EXPECT_FALSE(GetString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"));
  EXPECT_FALSE(GetString(HKEY_LOCAL_MACHINE, kRunKey, "Kestrove Pro"));
}

}  // namespace
}  // namespace e2e
