// End to end: the installer the build made. A silent install; the program
// started from Program Files ("?" opens the help file beside it, "Lock a
// Folder" without dirlatch.exe says so, "Update Check" hands over to the
// updater); and the uninstaller, whose window the running program guards
// with the password and which, after it, ends the program and removes it.
#include "e2e/harness.h"
#include "platform/win32/wide_text.h"

namespace e2e {
namespace {

constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestrove Pro";
constexpr std::string_view kUninstallTitle = "Uninstall Kestrove Pro";
constexpr std::string_view kHelpTitle = "Kestrove Pro Help";
constexpr std::string_view kUpdaterTitle = "Kestrove Pro Update";
constexpr std::chrono::milliseconds kInstallTimeout{60000};

bool FileThere(const std::string& path) {
  return ::GetFileAttributesW(platform::win32::ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Quoted(std::string_view path) {
  return "\"" + std::string(path) + "\"";
}

class Install : public Scenario {
 protected:
  // What a failure may leave open: the uninstaller (a copy of itself in the
  // temporary folder), the help viewer, the updater's answer.
  void TearDown() override {
    for (const std::string_view title : {kUninstallTitle, kHelpTitle, kUpdaterTitle}) {
      for (const HWND window : FindWindows({.title = title})) {
        DWORD id = 0;
        ::GetWindowThreadProcessId(window, &id);
        Process(::OpenProcess(PROCESS_ALL_ACCESS, FALSE, id), id).End();
      }
    }
    Scenario::TearDown();
  }

  // Started as the Start menu starts it; the configuration window once the
  // password of the start is given.
  HWND StartInstalled(const std::string& folder) {
    kestrove_ = &StartProgram(Quoted(folder + "\\kstrv7.exe"));
    const DWORD id = kestrove_->Id();
    const HWND prompt = WaitForPrompt(id, "of the start");
    if (prompt == nullptr || !AnswerPrompt(prompt, kDefaultPassword)) return nullptr;
    const bool shown = WaitUntil([&] { return IsShown(FindConfig(id)) && FindPrompt(id) == nullptr; },
                                 "the configuration window in place of the prompt");
    return shown ? FindConfig(id) : nullptr;
  }
};

TEST_F(Install, SilentInstallRunsFromProgramFilesAndThePasswordGuardsTheUninstall) {
  Process& setup = StartProgram(Quoted(platform::win32::FromWide(BinDir()) + "\\kestrove-setup.exe") + " /S");
  ASSERT_EQ(setup.WaitForExit(kInstallTimeout), 0U) << "the silent install";
  const std::string folder = GetString(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation").value_or("");
  ASSERT_TRUE(folder.ends_with("\\Program Files\\Kestrove Pro")) << "registered folder: " << folder;
  for (const char* file : {"kstrv7.exe", "KsUpdate.exe", "kestrove.chm", "zarmex.scf", "uninstall.exe"})
    EXPECT_TRUE(FileThere(folder + "\\" + file)) << file;

  // The help file beside the program; no dirlatch.exe there.
  HWND config = StartInstalled(folder);
  ASSERT_NE(config, nullptr);
  ASSERT_TRUE(ClickButton(config, "?"));
  const HWND help = WaitForWindow({.title = kHelpTitle, .visible_only = true}, "the help window");
  ASSERT_TRUE(PostClose(help) && WaitUntil([&] { return !::IsWindow(help); }, "the help window to close"));
  // A press on the link as the mouse would make it (SS_NOTIFY: STN_CLICKED).
  ASSERT_TRUE(Send(FindChild(config, "Static", "Lock a Folder"), WM_LBUTTONDOWN, MK_LBUTTON));
  Send(FindChild(config, "Static", "Lock a Folder"), WM_LBUTTONUP);
  const HWND message = WaitForWindow(
      {.title = "Message:", .process_id = kestrove_->Id(), .visible_only = true}, "the message dialog");
  EXPECT_TRUE(
      WaitUntil([&] { return FindChild(message, "Static", "dirlatch.exe is not installed.") != nullptr; },
                "the message that dirlatch.exe is not installed"));
  Screenshot("message-dialog");
  ASSERT_TRUE(ClickButton(message, "OK"));

  // The version resource's numbers; "Update Check", agreed to, ends the
  // program and starts the updater, which finds nothing newer.
  const HWND update = FindChild(config, "Button", "Update Check");
  ASSERT_TRUE(ShowTab(config, 5, update));
  EXPECT_NE(FindChild(config, "Static", "Version: 7.6.3\rRelease: 2011\r"), nullptr);
  ASSERT_TRUE(ClickControl(update));
  const HWND question =
      WaitForWindow({.title = "Program In-use", .process_id = kestrove_->Id(), .visible_only = true},
                    "the update question");
  Screenshot("update-question");
  ClickButton(question, "OK");  // the program may end before the click returns
  EXPECT_TRUE(kestrove_->WaitForExit().has_value()) << "the program still runs after OK";
  const HWND answer = WaitForWindow({.title = kUpdaterTitle, .visible_only = true}, "the updater's answer");
  EXPECT_TRUE(ControlText(::GetDlgItem(answer, 0xFFFF)).starts_with("No update available.\n"));
  Screenshot("update-none-available");
  ASSERT_TRUE(ClickButton(answer, "OK"));

  // The uninstaller raises the prompt of the running program and stays
  // visible under it; after the password it ends the program and removes it.
  // (With a daily allowance, for a picture of the time-left window.)
  ASSERT_TRUE(SetString(HKEY_CURRENT_USER, "Software\\KSV\\AppSettings\\kestrove\\setting", "timer", "30"));
  ASSERT_TRUE(ClickButton(StartInstalled(folder), "Cancel"));
  const HWND time_left = WaitForWindow(
      {.title = "Time left:", .process_id = kestrove_->Id(), .visible_only = true}, "time left");
  // Wine places it at the screen's corner, under its own tray window.
  ::SetWindowPos(time_left, nullptr, 200, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Screenshot("time-left");
  StartProgram(Quoted(folder + "\\uninstall.exe"));
  const HWND uninstaller = WaitForWindow({.title = kUninstallTitle, .visible_only = true}, "the uninstaller");
  const HWND prompt = WaitForPrompt(kestrove_->Id(), "for the uninstaller");
  EXPECT_TRUE(HoldsFor([&] { return IsShown(uninstaller) && FindPrompt(kestrove_->Id()) == prompt; },
                       kThreeTicks, "the uninstaller visible under the prompt"));
  ASSERT_TRUE(AnswerPrompt(prompt, kDefaultPassword));
  ASSERT_TRUE(WaitUntil([&] { return FindPrompt(kestrove_->Id()) == nullptr; }, "the prompt to go"));
  Screenshot("uninstaller");
  ASSERT_TRUE(ClickButton(uninstaller, "Uninstall"));
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(uninstaller) && !FileThere(folder); }, kInstallTimeout,
                        "the uninstaller to end the program, remove its folder and close"));
  EXPECT_FALSE(kestrove_->Running());
  EXPECT_FALSE(GetString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"));
  EXPECT_FALSE(
      GetString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Kestrove Pro"));
}

}  // namespace
}  // namespace e2e
