// End to end: the configuration window driven as a user drives it: each tab
// clicked (the screenshots), an export and import through the folder browser
// and reg.exe, Exit.
#include "e2e/harness.h"

#include <commctrl.h>
#include <shlobj.h>

namespace e2e {
namespace {

namespace fs = std::filesystem;

const fs::path kFolder = L"C:\\ks shared config";  // the folder browser reaches it through the drive

// The tabs in order: the screenshot's name, and a button only that page shows.
constexpr const char* kShots[] = {"main-tasks", "main-encryption", "main-settings",
                                  "main-users", "main-advanced",   "main-about"};
constexpr const char* kButtons[] = {"Browse...", "Encrypt",      "Set Tasks Password...",
                                    "Import...", "Task Manager", "End kstrv7.exe"};
enum Page { kTasksTab, kEncryptionTab, kSettingsTab, kUsersTab, kAdvancedTab, kAboutTab };

// A message whose lparam points to `size` bytes: they are copied into the
// window's process for the call and back into `data` afterwards.
bool SendWithData(HWND window, UINT message, WPARAM wparam, void* data, std::size_t size) {
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(window, &process_id);
  const HANDLE handle =
      ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process_id);
  const platform::win32::UniqueKernelHandle closed_at_return(handle);
  void* remote = ::VirtualAllocEx(handle, nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  const bool sent = remote != nullptr && ::WriteProcessMemory(handle, remote, data, size, nullptr) &&
                    Send(window, message, wparam, reinterpret_cast<LPARAM>(remote)) &&
                    ::ReadProcessMemory(handle, remote, data, size, nullptr);
  ::VirtualFreeEx(handle, remote, 0, MEM_RELEASE);
  return sent;
}

class ConfigurationWindow : public Scenario {
 protected:
  HWND Button(int page) const { return FindChild(config_, "Button", kButtons[page]); }

  // Clicks the tab as the mouse does, at its centre: its page shows.
  void ShowPage(int page) {
    const HWND tabs = FindChild(config_, "SysTabControl32");
    RECT rect{};  // TCM_GETITEMRECT writes through its pointer: into the program's memory
    ASSERT_TRUE(SendWithData(tabs, TCM_GETITEMRECT, page, &rect, sizeof(rect))) << kShots[page];
    const LPARAM centre = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    ASSERT_TRUE(Send(tabs, WM_LBUTTONDOWN, MK_LBUTTON, centre) && Send(tabs, WM_LBUTTONUP, 0, centre));
    ASSERT_TRUE(WaitUntil([&] { return Send(tabs, TCM_GETCURSEL) == page && IsShown(Button(page)); },
                          std::string(kShots[page]) + " to show"));
    Screenshot(kShots[page]);
  }

  // Presses a button of the Users tab and picks the path in the folder
  // browser, as clicks through its tree would, then OK. Wine's browser goes
  // one level down the tree per request: the request is made for each level.
  void Browse(std::string_view button, const fs::path& path) {
    ASSERT_TRUE(ClickButton(config_, button));
    const HWND browser = WaitForWindow(
        {.class_name = "#32770", .process_id = kestrove_->Id(), .visible_only = true}, "the folder browser");
    ASSERT_NE(FindChild(browser, "SysTreeView32"), nullptr);
    std::wstring text = path.wstring();
    for (int level = 0; level < 8; ++level)
      ASSERT_TRUE(
          SendWithData(browser, BFFM_SETSELECTIONW, TRUE, text.data(), (text.size() + 1) * sizeof(wchar_t)));
    ASSERT_TRUE(Click(::GetDlgItem(browser, IDOK)));
  }

  HWND config_ = nullptr;
};

TEST_F(ConfigurationWindow, TabsExportApplyImportAndExit) {
  fs::remove_all(kFolder);  // left by an earlier run
  fs::create_directories(kFolder);
  registry_.WriteString(kMachine, kSettingsKey, "TaskManager", "0");
  SetTaskList({"Before,1"});
  for (const auto& [name, entry] : {std::pair{"Task0", "Note"}, std::pair{"Task1", "Paint"}})
    registry_.WriteString(kMachine, "Software\\KSV\\IgnoreList", name, entry);
  // A title beyond the ANSI code page that the installed fonts can draw, for the window browser's picture.
  StartHelperWindow("KSVDocument", "Документ — Блокнот", "--background");
  ASSERT_NE(config_ = StartToMainWindow(), nullptr);
  for (const Page page : {kEncryptionTab, kTasksTab}) ASSERT_NO_FATAL_FAILURE(ShowPage(page));
  ASSERT_TRUE(Click(Button(kTasksTab)));
  const HWND browser = WaitForShown("Browse for Task");
  ASSERT_TRUE(
      WaitUntil([&] { return Send(FindChild(browser, "ListBox"), LB_GETCOUNT) >= 3; }, "the open windows"));
  Screenshot("browse-for-task");
  ASSERT_TRUE(ClickButton(browser, "Cancel"));
  ASSERT_NO_FATAL_FAILURE(ShowPage(kSettingsTab));
  ASSERT_TRUE(ClickButton(config_, "Ignored Tasks List..."));
  const HWND ignore_list = WaitForShown("Ignore List");
  ASSERT_TRUE(WaitUntil([&] { return Send(FindChild(ignore_list, "ListBox"), LB_GETCOUNT) == 2; },
                        "the ignore list"));
  Screenshot("ignore-list-dialog");
  ASSERT_TRUE(ClickButton(ignore_list, "Close"));

  ASSERT_NO_FATAL_FAILURE(ShowPage(kUsersTab));
  ASSERT_NO_FATAL_FAILURE(Browse("Export...", kFolder));
  ASSERT_TRUE(
      WaitUntil([&] { return fs::exists(kFolder / L"kstrv7.reg") && ProcessIdsByImage(L"reg.exe").empty(); },
                "the export written"));
  ASSERT_NO_FATAL_FAILURE(ShowPage(kAdvancedTab));
  const HWND task_manager = Button(kAdvancedTab);
  const auto stored = [&] { return registry_.ReadString(kMachine, kSettingsKey, "TaskManager"); };
  ASSERT_TRUE(Click(task_manager) && ClickButton(config_, "Apply"));
  // Apply ends by naming Cancel "Close"; an import before that is refused.
  ASSERT_TRUE(WaitUntil([&] { return stored() == "1" && FindChild(config_, "Button", "Close"); },
                        "the ticked lock stored"));
  ASSERT_NO_FATAL_FAILURE(ShowPage(kUsersTab));
  ASSERT_NO_FATAL_FAILURE(Browse("Import...", kFolder / L"kstrv7.reg"));
  EXPECT_TRUE(WaitUntil([&] { return stored() == "0" && Send(task_manager, BM_GETCHECK) == BST_UNCHECKED; },
                        "the exported state stored and shown again"));

  ASSERT_NO_FATAL_FAILURE(ShowPage(kAboutTab));
  ASSERT_TRUE(Click(Button(kAboutTab)));
  const HWND question = WaitForShown("Exit Kestrove Pro 2011");
  ASSERT_NE(question, nullptr);
  Screenshot("exit-question");
  ASSERT_TRUE(ClickButton(question, "OK"));
  EXPECT_TRUE(kestrove_->WaitForExit().has_value()) << "the program still runs after OK";
  EXPECT_TRUE(
      HoldsFor([] { return ProcessIdsByImage(kImage).empty(); }, kThreeTicks, "no kstrv7.exe after Exit"));
}

}  // namespace
}  // namespace e2e
