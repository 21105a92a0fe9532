// End to end: the installer the build made, silent and through its pages; the
// installed program with its help, updater and uninstaller.
#include "e2e/harness.h"

namespace e2e {
namespace {

constexpr std::string_view kUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestrove Pro";
constexpr std::chrono::milliseconds kInstallTimeout{60000};
constexpr wchar_t kEventSourceKey[] =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Kestrove Pro";

// The event source's message file, unexpanded; "" when the source is not registered.
std::string EventMessageFile() {
  wchar_t file[MAX_PATH] = {};
  DWORD size = sizeof file;
  const LSTATUS status = ::RegGetValueW(HKEY_LOCAL_MACHINE, kEventSourceKey, L"EventMessageFile",
                                        RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, file, &size);
  return status == ERROR_SUCCESS ? FromWide(file) : "";
}

using Install = Scenario;

// The application manifest built into an executable (RT_MANIFEST resource 1).
std::string Manifest(const std::filesystem::path& file) {
  const HMODULE module = ::LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  const HRSRC found = module != nullptr ? ::FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST) : nullptr;
  const HGLOBAL loaded = found != nullptr ? ::LoadResource(module, found) : nullptr;
  std::string text;
  if (loaded != nullptr)
    text.assign(static_cast<const char*>(::LockResource(loaded)), ::SizeofResource(module, found));
  if (module != nullptr) ::FreeLibrary(module);
  return text;
}

// <dpiAware ...>true or true/pm</dpiAware>.
bool DeclaresDpiAware(const std::string& manifest) {
  const std::size_t at = manifest.find("<dpiAware");
  return at != std::string::npos && manifest.find('>', at) == manifest.find(">true", at);
}

// A static text of the window that starts with `start`, or nullptr.
HWND FindText(HWND window, std::string_view start) {
  for (HWND child : Descendants(window))
    if (HasClass(child, "Static") && ControlText(child).starts_with(start)) return child;
  return nullptr;
}

TEST_F(Install, SilentInstallRunsFromProgramFilesAndThePasswordGuardsTheUninstall) {
  Process& setup = StartProgram(BinDir() / L"kestrove-setup.exe", "/S");
  ASSERT_EQ(setup.WaitForExit(kInstallTimeout), 0U) << "the silent install";
  const std::string folder = registry_.ReadString(kMachine, kUninstallKey, "InstallLocation");
  ASSERT_TRUE(folder.ends_with("\\Program Files\\Kestrove Pro")) << "registered folder: " << folder;
  const std::filesystem::path installed = ToWide(folder);
  for (const char* file : {"kstrv7.exe", "KsUpdate.exe", "kestrove.chm", "zarmex.scf", "uninstall.exe"})
    EXPECT_TRUE(std::filesystem::is_regular_file(installed / file)) << file;
  EXPECT_EQ(EventMessageFile(), folder + "\\kstrv7.exe") << "the event source's messages";

  // The help file beside the program; no dirlatch.exe there.
  const HWND config = StartToMainWindow(installed / "kstrv7.exe");
  ASSERT_NE(config, nullptr);
  ASSERT_TRUE(ClickButton(config, "?"));
  ASSERT_TRUE(
      ::PostMessageW(WaitForWindow({.title = "Kestrove Pro Help", .visible_only = true}), WM_CLOSE, 0, 0));
  const HWND link = FindChild(config, "Static", "Lock a Folder");  // a press as the mouse makes it
  ASSERT_TRUE(Send(link, WM_LBUTTONDOWN, MK_LBUTTON) && Send(link, WM_LBUTTONUP));
  const HWND message = WaitForShown("Message:");
  Screenshot("message-dialog");
  ASSERT_TRUE(ClickButton(message, "OK"));

  // "Update Check", agreed to, ends the program and starts the updater, which
  // finds nothing newer and starts the program again.
  ASSERT_TRUE(ClickButton(config, "Update Check"));
  ClickButton(WaitForShown("Program In-use"), "OK");  // the program may end meanwhile
  EXPECT_TRUE(kestrove_->WaitForExit().has_value()) << "the program still runs after OK";
  const HWND answer = WaitForWindow({.title = "Kestrove Pro Update", .visible_only = true});
  EXPECT_TRUE(ControlText(::GetDlgItem(answer, 0xFFFF)).starts_with("No update available.\n"));
  ASSERT_TRUE(ClickButton(answer, "OK"));

  std::vector<DWORD> restarted;
  ASSERT_TRUE(WaitUntil([&] { return !(restarted = ProcessIdsByImage(kImage)).empty(); }, "a fresh copy"));
  Adopt(restarted.front());
  ASSERT_TRUE(Unlock("of the restarted copy", [&] { return IsShown(Config()); }) && CloseConfig());

  // The uninstaller raises the running program's prompt and stays visible
  // under it; after the password it ends the program and removes it.
  StartProgram(installed / "uninstall.exe");
  const HWND uninstaller = WaitForWindow({.title = "Uninstall Kestrove Pro", .visible_only = true});
  ASSERT_NE(WaitForPrompt("for the uninstaller"), nullptr);
  EXPECT_TRUE(HoldsFor([&] { return IsShown(uninstaller) && Prompt(); }, kThreeTicks,
                       "the uninstaller visible under the prompt"));
  ASSERT_TRUE(Unlock("for the uninstaller", [&] { return IsShown(uninstaller); }));
  Screenshot("uninstaller");
  ASSERT_TRUE(ClickButton(uninstaller, "Uninstall"));
  HWND report = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (report = FindText(uninstaller, "Removed: the program,")) != nullptr; },
                        "the uninstaller's last page", kInstallTimeout));
  EXPECT_NE(ControlText(report).find("Kept: the configuration"), std::string::npos) << ControlText(report);
  EXPECT_EQ(WindowTitle(uninstaller), "Uninstall Kestrove Pro");
  ASSERT_TRUE(ClickButton(uninstaller, "Close"));
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(uninstaller) && !std::filesystem::exists(installed); },
                        "the uninstaller to end the program, remove its folder and close", kInstallTimeout));
  EXPECT_FALSE(kestrove_->Running());
  EXPECT_EQ(registry_.ReadString(kMachine, kUninstallKey, "DisplayName"), "");
  EXPECT_EQ(registry_.ReadString(kMachine, kRunKey, "Kestrove Pro"), "");
  EXPECT_EQ(EventMessageFile(), "") << "the event source goes with the program";
}

// The finish page's tick starts exactly one copy, the installed one, and so does
// /START for a silent install over it. (Under Wine every program runs as the one user.)
TEST_F(Install, FinishPageStartsOneCopyAndAppsAndFeaturesNamesPublisherAndHelp) {
  Process& setup = StartProgram(BinDir() / L"kestrove-setup.exe");
  const HWND wizard = WaitForWindow({.process_id = setup.Id(), .visible_only = true}, "the installer");
  ASSERT_TRUE(ClickButton(wizard, "Install"));
  HWND start_now = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (start_now = FindChild(wizard, "Button", "Start Kestrove Pro now")); },
                        "the finish page", kInstallTimeout));
  EXPECT_EQ(Send(start_now, BM_GETCHECK), BST_CHECKED);
  ASSERT_TRUE(ClickButton(wizard, "Finish"));
  ASSERT_EQ(setup.WaitForExit(kInstallTimeout), 0U);

  const std::string folder = registry_.ReadString(kMachine, kUninstallKey, "InstallLocation");
  const std::filesystem::path installed = ToWide(folder);
  const auto one_copy = [&](DWORD other_than) {
    const std::vector<DWORD> ids = ProcessIdsByImage(kImage);
    return ids.size() == 1 && ids.front() != other_than;
  };
  ASSERT_TRUE(WaitUntil([&] { return one_copy(0); }, "the copy the finish page started"));
  Adopt(ProcessIdsByImage(kImage).front());
  ASSERT_NE(WaitForPrompt("at the start of the installed copy"), nullptr);
  wchar_t image[MAX_PATH] = {};
  DWORD length = MAX_PATH;
  const platform::win32::UniqueKernelHandle process(
      ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, kestrove_->Id()));
  ASSERT_TRUE(::QueryFullProcessImageNameW(process.get(), 0, image, &length));
  EXPECT_EQ(std::filesystem::path(image), installed / kImage);
  EXPECT_TRUE(HoldsFor([&] { return one_copy(0); }, kThreeTicks, "exactly one copy running"));

  const std::string help = folder + "\\kestrove.chm";
  const std::pair<const char*, std::string> entry[] = {{"DisplayName", "Kestrove Pro"},
                                                       {"DisplayVersion", "7.6.3"},
                                                       {"Publisher", "Kestrove"},
                                                       {"HelpLink", help},
                                                       {"URLInfoAbout", help}};
  for (const auto& [name, value] : entry)
    EXPECT_EQ(registry_.ReadString(kMachine, kUninstallKey, name), value) << name;
  for (const std::filesystem::path& file :
       {BinDir() / L"kestrove-setup.exe", installed / L"KsUpdate.exe", installed / L"uninstall.exe"})
    EXPECT_TRUE(DeclaresDpiAware(Manifest(file))) << file.string();

  // Silently over the running copy: it is ended, and /START starts a fresh one.
  const DWORD first = kestrove_->Id();
  ASSERT_EQ(StartProgram(BinDir() / L"kestrove-setup.exe", "/S /START").WaitForExit(kInstallTimeout), 0U);
  ASSERT_TRUE(WaitUntil([&] { return one_copy(first); }, "the copy /START started"));
  EXPECT_TRUE(HoldsFor([&] { return one_copy(first); }, kThreeTicks, "exactly one copy after /START"));
}

}  // namespace
}  // namespace e2e
