// End to end: sharing the configuration through registry files as a user
// does it. Export to a folder whose name has a blank, a change, Import of the
// file; files dropped into save\ beside the program: one that writes outside
// the program's key refused and set aside, an exported one imported within a
// minute, confirmed and deleted.
#include <windows.h>
#include <shlobj.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "e2e/harness.h"
#include "platform/win32/wide_text.h"

namespace e2e {
namespace {

using platform::win32::FromWide;
using platform::win32::ToWide;
using std::chrono::steady_clock;
namespace fs = std::filesystem;

// The drop folder is looked at once a minute, counted from the start.
constexpr std::chrono::seconds kDropWait{70};
const fs::path kFolder = L"C:\\ks shared config";  // the folder browser reaches it through the drive
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string Setting(std::string_view name) {
  return GetString(HKEY_LOCAL_MACHINE, kSettingsKey, name).value_or("(none)");
}

bool IsChecked(HWND box) {
  return Send(box, BM_GETCHECK) == BST_CHECKED;
}

fs::path SaveFolder() {
  return fs::path(BinDir()) / L"save";
}

// A dialog of the program: the folder browser has a tree, a message box its
// text label (id 65535).
HWND DialogOf(DWORD kestrove_id, bool browser) {
  for (const HWND dialog :
       FindWindows({.class_name = "#32770", .process_id = kestrove_id, .visible_only = true}))
    if ((FindChild(dialog, "SysTreeView32") != nullptr) == browser) return dialog;
  return nullptr;
}

// Picks a path in the folder browser, as clicks through its tree would, and
// presses OK. BFFM_SETSELECTIONW takes the path's address, so the path is put
// into the program's memory; Wine's browser goes one level down the tree per
// request, loading each level, so the request is repeated for every level.
bool Choose(HWND browser, const fs::path& path) {
  const std::wstring text = path.wstring();
  const SIZE_T size = (text.size() + 1) * sizeof(wchar_t);
  DWORD id = 0;
  ::GetWindowThreadProcessId(browser, &id);
  const HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, id);
  void* remote = ::VirtualAllocEx(process, nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  bool written = remote != nullptr && ::WriteProcessMemory(process, remote, text.c_str(), size, nullptr);
  for (int level = 0; written && level < 8; ++level)
    written = Send(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote)).has_value();
  ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  ::CloseHandle(process);
  return written && ClickControl(::GetDlgItem(browser, IDOK));
}

class ConfigSharing : public Scenario {
 protected:
  void SetUp() override {
    Scenario::SetUp();
    TearDownFiles();
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kSettingsKey, "TaskManager", "0"));
    ASSERT_TRUE(SetTaskList({"Before,1"}));
  }
  void TearDown() override {
    Scenario::TearDown();
    TearDownFiles();
  }
  static void TearDownFiles() {
    std::error_code error;
    fs::remove_all(kFolder, error);
    fs::remove_all(SaveFolder(), error);
    ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, ToWide(kRunKey).c_str(), L"KsProbe");
  }

  void BrowseFromUsersTab(HWND config, std::string_view button, const fs::path& path) {
    ASSERT_TRUE(ShowTab(config, 3, FindChild(config, "Button", button)));
    ASSERT_TRUE(ClickButton(config, button));
    HWND browser = nullptr;
    ASSERT_TRUE(
        WaitUntil([&] { return (browser = DialogOf(kestrove_->Id(), true)) != nullptr; }, "the browser"));
    ASSERT_TRUE(Choose(browser, path));
  }

  // The message box of the drop folder's tick, read and answered; the file
  // is still there while it is up only when it was imported.
  std::string DropMessage(std::string_view shot, bool imported) {
    const auto dropped = steady_clock::now();
    HWND box = nullptr;
    WaitUntil([&] { return (box = DialogOf(kestrove_->Id(), false)) != nullptr; }, 2 * kDropWait,
              "the drop folder's message");
    EXPECT_LE(steady_clock::now() - dropped, kDropWait);
    if (box == nullptr) return {};
    Screenshot(shot);
    EXPECT_EQ(WindowTitle(box), "Kestrove Pro");
    const std::string text = ControlText(::GetDlgItem(box, 0xFFFF));
    EXPECT_EQ(fs::exists(SaveFolder() / L"kstrv7.reg"), imported) << "deleted only once confirmed";
    EXPECT_TRUE(ClickControl(::GetDlgItem(box, IDOK)));
    return text;
  }
};

TEST_F(ConfigSharing, ExportChangeImportShowsTheExportedStateAgain) {
  fs::create_directories(kFolder);
  const HWND config = StartToMainWindow();
  ASSERT_NE(config, nullptr);
  BrowseFromUsersTab(config, "Export...", kFolder);
  ASSERT_TRUE(
      WaitUntil([&] { return fs::exists(kFolder / L"kstrv7.reg") && ProcessIdsByImage(L"reg.exe").empty(); },
                "the export written"));

  const HWND task_manager = FindChild(config, "Button", "Task Manager");
  ASSERT_TRUE(ShowTab(config, 4, task_manager));
  ASSERT_TRUE(ClickControl(task_manager) && ClickButton(config, "Apply"));
  // Apply ends by naming Cancel "Close"; an import before that is refused.
  ASSERT_TRUE(WaitUntil([&] { return Setting("TaskManager") == "1" && FindChild(config, "Button", "Close"); },
                        "the change stored"));

  BrowseFromUsersTab(config, "Import...", kFolder / L"kstrv7.reg");
  EXPECT_TRUE(WaitUntil([&] { return Setting("TaskManager") == "0" && !IsChecked(task_manager); },
                        "the exported state stored and shown again"));
  EXPECT_EQ(DialogOf(kestrove_->Id(), false), nullptr) << "an import that worked reports nothing";
}

TEST_F(ConfigSharing, DroppedFilesAreCheckedImportedConfirmedAndDeleted) {
  // An export of another computer's configuration, made with the registry tool.
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kSettingsKey, "TaskManager", "1") && SetTaskList({"Dropped,1"}));
  const fs::path exported = fs::temp_directory_path() / L"ks-other-computer.reg";
  ASSERT_EQ(StartProgram("reg.exe export HKLM\\Software\\KSV \"" + FromWide(exported.wstring()) + "\" /y")
                .WaitForExit(),
            DWORD{0});
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kSettingsKey, "TaskManager", "0") && SetTaskList({"Before,1"}));
  StartPastGate();
  fs::create_directories(SaveFolder());

  std::ofstream(SaveFolder() / L"kstrv7.reg", std::ios::binary)
      << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\KSV\\Settings]\r\n\"TaskManager\"=\"1\"\r\n\r\n"
         "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n\"KsProbe\"=\"x\"\r\n";
  EXPECT_TRUE(
      DropMessage("sharing-drop-refused", false)
          .ends_with(
              ": line 6 writes to HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run, "
              "which is outside HKEY_LOCAL_MACHINE\\Software\\KSV. It was renamed to kstrv7.reg.rejected."));
  EXPECT_TRUE(fs::exists(SaveFolder() / L"kstrv7.reg.rejected"));
  EXPECT_FALSE(GetString(HKEY_LOCAL_MACHINE, kRunKey, "KsProbe")) << "written outside the program's key";
  EXPECT_EQ(Setting("TaskManager"), "0") << "nothing of a refused file is imported";

  fs::copy_file(exported, SaveFolder() / L"kstrv7.reg");
  const std::string text = DropMessage("sharing-drop-completed", true);
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  wchar_t month[80] = {};
  ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SMONTHNAME1 + now.wMonth - 1, month, 80);
  EXPECT_TRUE(text.starts_with("Auto-update of configuration completed on " + std::to_string(now.wDay) + "-" +
                               FromWide(month) + " "))
      << text;
  const HWND task_manager = FindChild(FindConfig(kestrove_->Id()), "Button", "Task Manager");
  EXPECT_TRUE(WaitUntil([&] { return !fs::exists(SaveFolder() / L"kstrv7.reg") && IsChecked(task_manager); },
                        "the file gone and the imported configuration loaded"));
  EXPECT_EQ(GetString(HKEY_LOCAL_MACHINE, "Software\\KSV\\Tasks", "Task0"), "Dropped,1");
  EXPECT_EQ(FindPrompt(kestrove_->Id()), nullptr) << "the messages woke no password prompt";
  fs::remove(exported);
}

}  // namespace
}  // namespace e2e
