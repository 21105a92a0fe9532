// End to end: sharing the configuration through registry files as a user
// does it. Export to a folder whose name has a blank, a change, Import of
// the file; a file dropped into save\ beside the program, imported within a
// minute and confirmed; a dropped file that writes outside the program's key,
// refused, reported and set aside.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "e2e/harness.h"
#include "platform/win32/wide_text.h"

namespace e2e {
namespace {

using platform::win32::FromWide;
using platform::win32::ToWide;
using std::chrono::milliseconds;
using std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kUsersTab = 3;
constexpr int kAdvancedTab = 4;
// The drop folder is looked at once a minute, counted from the start.
constexpr milliseconds kDropWait{70000};
constexpr milliseconds kDropDeadline{120000};
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kProbe = "KsSharingProbe";

std::string Setting(std::string_view name) {
  return GetString(HKEY_LOCAL_MACHINE, kSettingsKey, name).value_or("(none)");
}

bool IsChecked(HWND box) {
  return Send(box, BM_GETCHECK) == BST_CHECKED;
}

fs::path DropFile() {
  return fs::path(BinDir()) / L"save" / L"kstrv7.reg";
}

fs::path RejectedFile() {
  return fs::path(BinDir()) / L"save" / L"kstrv7.reg.rejected";
}

// The text of a Unicode registry file.
std::string UnicodeText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0) return {};
  std::wstring text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
    text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                 static_cast<unsigned char>(bytes[i + 1]) << 8);
  return FromWide(text);
}

void WriteUnicodeFile(const fs::path& file, std::string_view text) {
  const std::wstring wide = ToWide(text);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write("\xFF\xFE", 2);
  out.write(reinterpret_cast<const char*>(wide.data()), static_cast<std::streamsize>(wide.size() * 2));
}

// The program's folder browser: its dialog with a folder tree.
HWND FolderBrowser(DWORD kestrove_id) {
  for (const HWND dialog :
       FindWindows({.class_name = "#32770", .process_id = kestrove_id, .visible_only = true}))
    if (FindChild(dialog, "SysTreeView32") != nullptr) return dialog;
  return nullptr;
}

// A message box of the program: a dialog with its text label (id 65535).
HWND MessageBoxOf(DWORD kestrove_id) {
  for (const HWND dialog :
       FindWindows({.class_name = "#32770", .process_id = kestrove_id, .visible_only = true}))
    if (::GetDlgItem(dialog, 0xFFFF) != nullptr && FindChild(dialog, "SysTreeView32") == nullptr)
      return dialog;
  return nullptr;
}

std::string BoxText(HWND box) {
  return ControlText(::GetDlgItem(box, 0xFFFF));
}

// Memory inside another process, for messages that pass an address.
class RemoteMemory {
 public:
  RemoteMemory(HWND window, SIZE_T size) {
    DWORD id = 0;
    ::GetWindowThreadProcessId(window, &id);
    process_ = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
    if (process_ != nullptr)
      address_ = ::VirtualAllocEx(process_, nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteMemory() {
    if (address_ != nullptr) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_ != nullptr) ::CloseHandle(process_);
  }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  LPARAM At(SIZE_T offset = 0) const {
    return reinterpret_cast<LPARAM>(static_cast<char*>(address_) + offset);
  }
  bool Write(const void* data, SIZE_T size) const {
    return address_ != nullptr && ::WriteProcessMemory(process_, address_, data, size, nullptr);
  }
  bool Read(void* data, SIZE_T size) const {
    return address_ != nullptr && ::ReadProcessMemory(process_, address_, data, size, nullptr);
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
};

// The caption of the tree's selected item.
std::wstring SelectedInTree(HWND tree) {
  const LRESULT item = Send(tree, TVM_GETNEXTITEM, TVGN_CARET, 0).value_or(0);
  struct Block {
    TVITEMW item;
    wchar_t text[MAX_PATH];
  } block{};
  const RemoteMemory remote(tree, sizeof(Block));
  block.item.mask = TVIF_TEXT;
  block.item.hItem = reinterpret_cast<HTREEITEM>(item);
  block.item.pszText = reinterpret_cast<wchar_t*>(remote.At(offsetof(Block, text)));
  block.item.cchTextMax = MAX_PATH;
  if (item == 0 || !remote.Write(&block, sizeof(block)) ||
      !Send(tree, TVM_GETITEMW, 0, remote.At()).value_or(0) || !remote.Read(&block, sizeof(block)))
    return {};
  block.text[MAX_PATH - 1] = L'\0';
  return block.text;
}

// Picks a folder or file in the browser as a user's clicks through the tree
// would: BFFM_SETSELECTIONW with the path in the program's memory. Wine's
// browser goes down one level of the tree per request, loading each level on
// the way, so the request is repeated until the item is the selected one.
bool SelectInBrowser(HWND browser, const fs::path& path) {
  const HWND tree = FindChild(browser, "SysTreeView32");
  const std::wstring text = path.wstring();
  const RemoteMemory remote(browser, (text.size() + 1) * sizeof(wchar_t));
  return remote.Write(text.c_str(), (text.size() + 1) * sizeof(wchar_t)) &&
         WaitUntil(
             [&] {
               Send(browser, BFFM_SETSELECTIONW, TRUE, remote.At());
               return SelectedInTree(tree) == path.filename().wstring();
             },
             "the browser to select " + FromWide(text));
}

// The picture beside "Copy the Configuration to other computers.": the one
// icon on the Users tab.
HWND ImageOnUsersTab(HWND config) {
  HWND found = nullptr;
  ::EnumChildWindows(
      config,
      [](HWND child, LPARAM result) {
        if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON || !IsShown(child)) return TRUE;
        *reinterpret_cast<HWND*>(result) = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

class ConfigSharing : public Scenario {
 protected:
  void SetUp() override {
    Scenario::SetUp();
    CleanUp();
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kSettingsKey, "TaskManager", "0"));
    ASSERT_TRUE(SetTaskList({"Before,1"}));
  }
  void TearDown() override {
    Scenario::TearDown();
    CleanUp();
  }
  static void CleanUp() {
    std::error_code error;
    fs::remove(DropFile(), error);
    fs::remove(RejectedFile(), error);
    ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, ToWide(kRunKey).c_str(), ToWide(kProbe).c_str());
  }

  // Clicks a button of the Users tab and picks the path in its browser.
  void BrowseFromUsersTab(HWND config, std::string_view button, const fs::path& path, std::string_view shot) {
    ASSERT_TRUE(ShowTab(config, kUsersTab, FindChild(config, "Button", button)));
    ASSERT_TRUE(ClickButton(config, button));
    HWND browser = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (browser = FolderBrowser(kestrove_->Id())) != nullptr; },
                          std::string(button) + "'s folder browser"));
    ASSERT_TRUE(SelectInBrowser(browser, path));
    Screenshot(shot);
    ASSERT_TRUE(ClickControl(::GetDlgItem(browser, IDOK)));
    ASSERT_TRUE(WaitUntil([&] { return !Exists(browser); }, "the folder browser to close"));
  }

  // Waits for the message box that the drop folder's tick shows, at most
  // kDropWait after the file arrived.
  HWND WaitForDropMessage(steady_clock::time_point arrived, std::string_view shot) {
    HWND box = nullptr;
    WaitUntil([&] { return (box = MessageBoxOf(kestrove_->Id())) != nullptr; }, kDropDeadline,
              "the drop folder's message");
    EXPECT_LE(steady_clock::now() - arrived, kDropWait);
    if (box != nullptr) Screenshot(shot);
    return box;
  }
};

TEST_F(ConfigSharing, ExportChangeImportShowsTheExportedStateAgain) {
  // At the top of C:, which the folder browser reaches by the drive.
  const fs::path folder = L"C:\\ks shared config";
  std::error_code error;
  fs::create_directories(folder, error);
  fs::remove(folder / L"kstrv7.reg", error);

  const HWND config = StartToMainWindow();
  ASSERT_NE(config, nullptr);
  BrowseFromUsersTab(config, "Export...", folder, "sharing-export-browser");
  const fs::path exported = folder / L"kstrv7.reg";
  ASSERT_TRUE(
      WaitUntil([&] { return UnicodeText(exported).find("\"TaskManager\"=\"0\"") != std::string::npos; },
                "the exported file with the configuration"));

  // The instructions for the drop folder, behind the picture.
  const HWND image = ImageOnUsersTab(config);
  ASSERT_NE(image, nullptr);
  ASSERT_TRUE(::PostMessageW(image, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4)) &&
              ::PostMessageW(image, WM_LBUTTONUP, 0, MAKELPARAM(4, 4)));
  const HWND instructions =
      WaitForWindow({.title = "Message:", .process_id = kestrove_->Id(), .visible_only = true},
                    "the instructions in the message dialog");
  ASSERT_NE(instructions, nullptr);
  Screenshot("sharing-instructions");
  ASSERT_TRUE(ClickButton(instructions, "OK"));

  // The change: Task Manager ticked and applied.
  const HWND task_manager = FindChild(config, "Button", "Task Manager");
  ASSERT_TRUE(ShowTab(config, kAdvancedTab, task_manager));
  ASSERT_TRUE(ClickControl(task_manager));
  ASSERT_TRUE(ClickButton(config, "Apply"));
  ASSERT_TRUE(WaitUntil([&] { return Setting("TaskManager") == "1"; }, "the change stored"));

  BrowseFromUsersTab(config, "Import...", exported, "sharing-import-browser");
  EXPECT_TRUE(WaitUntil([&] { return Setting("TaskManager") == "0" && !IsChecked(task_manager); },
                        "the exported state stored and shown again"))
      << "TaskManager " << Setting("TaskManager");
  EXPECT_EQ(MessageBoxOf(kestrove_->Id()), nullptr) << "an import that worked reports nothing";
  ASSERT_TRUE(ShowTab(config, kAdvancedTab, task_manager));
  Screenshot("sharing-imported-advanced-tab");
  fs::remove_all(folder, error);
}

TEST_F(ConfigSharing, DroppedFileIsImportedConfirmedAndDeleted) {
  // The file to drop: the configuration another computer exported.
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kSettingsKey, "TaskManager", "1"));
  ASSERT_TRUE(SetTaskList({"Dropped,1"}));
  const fs::path staged = fs::temp_directory_path() / L"ks-staged-kstrv7.reg";
  Process& tool =
      StartProgram("reg.exe export HKLM\\Software\\KSV \"" + FromWide(staged.wstring()) + "\" /y");
  ASSERT_EQ(tool.WaitForExit(), DWORD{0});
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kSettingsKey, "TaskManager", "0"));
  ASSERT_TRUE(SetTaskList({"Before,1"}));

  StartPastGate();
  fs::create_directories(DropFile().parent_path());
  fs::copy_file(staged, DropFile(), fs::copy_options::overwrite_existing);
  const auto arrived = steady_clock::now();
  const HWND box = WaitForDropMessage(arrived, "sharing-drop-completed");
  ASSERT_NE(box, nullptr);

  // "d-mmmm h:mm" with the user's month names.
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  wchar_t month[80] = {};
  ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SMONTHNAME1 + now.wMonth - 1, month, 80);
  const std::string text = BoxText(box);
  EXPECT_TRUE(std::regex_match(
      text, std::regex("Auto-update of configuration completed on " + std::to_string(now.wDay) + "-" +
                       FromWide(month) + " ([0-9]|1[0-9]|2[0-3]):[0-5][0-9]")))
      << text;
  EXPECT_EQ(WindowTitle(box), "Kestrove Pro");
  EXPECT_TRUE(fs::exists(DropFile())) << "deleted only once confirmed";

  ASSERT_TRUE(ClickControl(::GetDlgItem(box, IDOK)));
  const HWND task_manager = FindChild(FindConfig(kestrove_->Id()), "Button", "Task Manager");
  EXPECT_TRUE(WaitUntil([&] { return !fs::exists(DropFile()) && IsChecked(task_manager); },
                        "the file gone and the imported configuration loaded"));
  EXPECT_EQ(Setting("TaskManager"), "1");
  EXPECT_EQ(GetString(HKEY_LOCAL_MACHINE, "Software\\KSV\\Tasks", "Task0"), "Dropped,1");
  fs::remove(staged);
}

TEST_F(ConfigSharing, DroppedFileWritingOutsideTheKeyIsRefusedAndSetAside) {
  StartPastGate();
  fs::create_directories(DropFile().parent_path());
  WriteUnicodeFile(DropFile(),
                   "Windows Registry Editor Version 5.00\r\n\r\n"
                   "[HKEY_LOCAL_MACHINE\\Software\\KSV\\Settings]\r\n\"TaskManager\"=\"1\"\r\n\r\n"
                   "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
                   "\"KsSharingProbe\"=\"C:\\\\evil.exe\"\r\n\r\n");
  const HWND box = WaitForDropMessage(steady_clock::now(), "sharing-drop-refused");
  ASSERT_NE(box, nullptr);
  const std::string text = BoxText(box);
  EXPECT_NE(text.find("was not imported from "), std::string::npos) << text;
  EXPECT_NE(
      text.find("line 6 writes to HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run, "
                "which is outside HKEY_LOCAL_MACHINE\\Software\\KSV. It was renamed to kstrv7.reg.rejected."),
      std::string::npos)
      << text;
  ASSERT_TRUE(ClickControl(::GetDlgItem(box, IDOK)));
  EXPECT_FALSE(fs::exists(DropFile()));
  EXPECT_TRUE(fs::exists(RejectedFile()));
  EXPECT_FALSE(GetString(HKEY_LOCAL_MACHINE, kRunKey, kProbe)) << "written outside the program's key";
  EXPECT_EQ(Setting("TaskManager"), "0") << "nothing of a refused file is imported";
}

}  // namespace
}  // namespace e2e
