// End-to-end harness: starts programs as Windows starts them, drives their
// windows from outside, waits on conditions, saves screenshots.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <source_location>

#include "config/registry_edit.h"
#include "platform/text.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_registry.h"

namespace e2e {

using platform::win32::FromWide;
using platform::win32::ToWide;
using platform::win32::ToWindowId;
using std::chrono::milliseconds;
using Where = std::source_location;
using Desktop = platform::win32::Win32Desktop;  // stateless: one made for each call
inline constexpr platform::RegRoot kMachine = platform::RegRoot::kLocalMachine;

inline constexpr milliseconds kDefaultTimeout{10000};  // generous: Wine starts slowly on a loaded machine
inline constexpr milliseconds kThreeTicks{3500};       // the program looks once a second
inline constexpr const wchar_t* kImage = L"kstrv7.exe";
inline constexpr std::string_view kConfigTitle = "Kestrove Pro Configuration Tool";
inline constexpr std::string_view kDefaultPassword = "tavrolk";
inline constexpr std::string_view kSettingsKey = "Software\\KSV\\Settings";
inline constexpr std::string_view kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Where kstrv7.exe, the installer and the helpers lie beside this program.
inline std::filesystem::path BinDir() {
  return std::filesystem::path(platform::win32::Win32Process::ExecutablePath()).parent_path();
}

// Ended on destruction; without a handle, the process of that id is opened.
class Process {
 public:
  explicit Process(DWORD id = 0, HANDLE handle = nullptr)
      : handle_(handle != nullptr || id == 0 ? handle : ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, id)),
        id_(id) {}
  ~Process() { End(); }

  DWORD Id() const { return id_; }
  bool Running() const { return handle_ && ::WaitForSingleObject(handle_.get(), 0) == WAIT_TIMEOUT; }
  std::optional<DWORD> WaitForExit(milliseconds timeout = kDefaultTimeout) const {
    DWORD code = 0;
    const auto wait = static_cast<DWORD>(timeout.count());
    const bool ended = handle_ && ::WaitForSingleObject(handle_.get(), wait) == WAIT_OBJECT_0;
    return ended && ::GetExitCodeProcess(handle_.get(), &code) ? std::optional(code) : std::nullopt;
  }
  bool End() {  // true when it is gone
    if (Running()) ::TerminateProcess(handle_.get(), 1);
    return !handle_ || WaitForExit().has_value();
  }

 private:
  platform::win32::UniqueKernelHandle handle_;
  DWORD id_;
};

// By file name alone; this program excepted.
inline std::vector<DWORD> ProcessIdsByImage(const wchar_t* image) {
  std::vector<DWORD> ids;
  const platform::win32::UniqueKernelHandle all(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(all.get(), &entry); more; more = ::Process32NextW(all.get(), &entry))
    if (entry.th32ProcessID != ::GetCurrentProcessId() && ::_wcsicmp(entry.szExeFile, image) == 0)
      ids.push_back(entry.th32ProcessID);
  return ids;
}

inline std::string WindowTitle(HWND window) {  // sends nothing: a hung window cannot stall it
  return Desktop().Title(ToWindowId(window));
}
inline bool IsShown(HWND window) {
  return ::IsWindowVisible(window) != FALSE;
}
inline bool HasClass(HWND window, std::string_view class_name) {  // letter case ignored
  return class_name.empty() ||
         platform::AsciiLower(Desktop().ClassName(ToWindowId(window))) == platform::AsciiLower(class_name);
}

// Top-level windows from the top of the z-order down; empty texts and process_id 0 match anything.
struct WindowQuery {
  std::string_view title = {};  // exact
  std::string_view class_name = {};
  DWORD process_id = 0;
  bool visible_only = false;
};
inline std::vector<HWND> FindWindows(const WindowQuery& query) {
  std::vector<HWND> found;
  for (const platform::TopLevelWindow& window : Desktop().TopLevelWindows()) {
    const HWND hwnd = platform::win32::ToHwnd(window.id);
    DWORD process_id = 0;
    ::GetWindowThreadProcessId(hwnd, &process_id);
    if ((query.process_id == 0 || process_id == query.process_id) &&
        (window.visible || !query.visible_only) && HasClass(hwnd, query.class_name) &&
        (query.title.empty() || window.title == query.title))
      found.push_back(hwnd);
  }
  return found;
}
inline HWND FirstWindow(const WindowQuery& query) {
  const std::vector<HWND> found = FindWindows(query);
  return found.empty() ? nullptr : found.front();
}

// Nothing when the window hung or is gone.
inline std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  DWORD_PTR result = 0;  // hung after five seconds
  const bool sent = ::SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, 5000, &result);
  return sent ? std::optional(static_cast<LRESULT>(result)) : std::nullopt;
}
inline std::string ControlText(HWND control) {  // WM_GETTEXT, which reads another process's edit
  wchar_t text[1024] = {};
  Send(control, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
  return FromWide(text);
}

// At any depth; none of no window (EnumChildWindows would take every top-level one).
inline std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> children;
  const auto add = [](HWND child, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
  };
  if (parent != nullptr) ::EnumChildWindows(parent, add, reinterpret_cast<LPARAM>(&children));
  return children;
}
// "" matches anything, "&OK" matches "OK".
inline HWND FindChild(HWND parent, std::string_view class_name, std::string_view caption = {}) {
  for (HWND child : Descendants(parent)) {
    if (!HasClass(child, class_name)) continue;
    std::string text = caption.empty() ? std::string() : ControlText(child);
    std::erase(text, '&');
    if (text == caption) return child;
  }
  return nullptr;
}

// BM_CLICK without waiting for the handler, which may open a modal window. A
// notify message is always delivered; Wine drops a sent one whose timeout ran out.
inline bool Click(HWND button) {
  return ::IsWindow(button) && ::SendNotifyMessageW(button, BM_CLICK, 0, 0);
}
inline bool ClickButton(HWND parent, std::string_view caption) {
  return Click(FindChild(parent, "Button", caption));
}

// Whether done() held at a look within the duration; the last look comes after the deadline.
inline bool PollUntil(milliseconds duration, const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + duration;
  for (;;) {
    const bool past_deadline = std::chrono::steady_clock::now() >= deadline;
    if (done()) return true;
    if (past_deadline) return false;
    ::Sleep(50);
  }
}
inline bool Check(bool ok, Where where, const std::string& failure) {  // reported at the caller's line
  if (!ok) ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line())) << failure;
  return ok;
}
inline bool WaitUntil(const std::function<bool()>& condition, std::string_view what,
                      milliseconds timeout = kDefaultTimeout, Where where = Where::current()) {
  return Check(
      PollUntil(timeout, condition), where,
      "Timed out after " + std::to_string(timeout.count()) + " ms waiting for: " + std::string(what));
}
inline bool HoldsFor(const std::function<bool()>& condition, milliseconds duration, std::string_view what,
                     Where where = Where::current()) {
  return Check(!PollUntil(duration, [&] { return !condition(); }), where,
               "Stopped holding within " + std::to_string(duration.count()) + " ms: " + std::string(what));
}
inline HWND WaitForWindow(const WindowQuery& query, std::string_view what = {},
                          Where where = Where::current()) {
  HWND found = nullptr;
  const auto find = [&] { return (found = FirstWindow(query)) != nullptr; };
  WaitUntil(find, what.empty() ? query.title : what, kDefaultTimeout, where);
  return found;
}

// Typed through SendInput, then Enter, once the window is in front.
inline bool TypeAndEnter(HWND window, std::string_view text) {
  std::vector<INPUT> inputs;
  const auto press = [&](WORD virtual_key, WORD scan, DWORD flags) {
    for (const DWORD up : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}})
      inputs.push_back({INPUT_KEYBOARD, {.ki = {virtual_key, scan, flags | up, 0, 0}}});
  };
  for (const wchar_t unit : ToWide(text)) press(0, unit, KEYEVENTF_UNICODE);
  press(VK_RETURN, static_cast<WORD>(::MapVirtualKeyW(VK_RETURN, MAPVK_VK_TO_VSC)), 0);
  const HWND root = ::GetAncestor(window, GA_ROOT);
  ::SetForegroundWindow(root);
  return root != nullptr &&
         WaitUntil([&] { return ::GetForegroundWindow() == root; }, "the window to type into in front") &&
         ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// A window of a program Wine does not have (tools/kswindow.cpp), with the log
// of the messages it received: "WM_SHOWWINDOW 1|0", "WM_ACTIVATE 1|0", "HUNG".
struct HelperWindow {
  Process* process = nullptr;
  HWND window = nullptr;
  std::filesystem::path log_path = {};

  int CountInLog(std::string_view prefix) const {  // read while kswindow.exe may still write it
    std::ifstream file(log_path, std::ios::binary);
    int count = 0;
    for (std::string line; std::getline(file, line);) count += line.starts_with(prefix) ? 1 : 0;
    return count;
  }
};

// Each scenario starts with no program of ours running, an empty configuration,
// the update reminder off and the taskbar shown; a failure saves a screenshot.
class Scenario : public ::testing::Test {
 protected:
  // Ended before and after, with the uninstaller's copy in %TEMP%.
  static constexpr const wchar_t* kImagesToEnd[] = {kImage,          L"notepad.exe", L"kswindow.exe",
                                                    L"KsUpdate.exe", L"hh.exe",      L"Un.exe"};

  static void EndLeftovers() {
    for (const wchar_t* image : kImagesToEnd)
      for (const DWORD id : ProcessIdsByImage(image)) Process(id).End();
  }

  void SetUp() override {
    // Unscaled screenshots; a crash of a program started ends it instead of opening a dialog.
    ::SetProcessDPIAware();
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    EndLeftovers();
    // Wine's taskbar is hidden; the program would show it, taking the foreground from a scenario's window.
    ASSERT_TRUE(WaitUntil(
        [] {
          const HWND taskbar = FirstWindow({.class_name = "Shell_TrayWnd"});
          if (taskbar != nullptr && !IsShown(taskbar)) ::ShowWindowAsync(taskbar, SW_SHOWNA);
          return IsShown(taskbar);
        },
        "the taskbar to be shown"));
    for (const HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) ::RegDeleteTreeW(root, L"Software\\KSV");
    registry_.WriteString(kMachine, kSettingsKey, "DontShowUpdate", "1");
  }

  void TearDown() override {
    if (HasFailure()) {
      const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
      Screenshot(std::string(test->test_suite_name()) + "." + test->name() + "-failure");
    }
    started_.clear();
    EndLeftovers();
  }

  // Through the shell, in the program's folder when it is given with one.
  Process& StartProgram(const std::filesystem::path& program, const std::string& parameters = {},
                        Where where = Where::current()) {
    const std::wstring folder = program.parent_path().wstring();
    const std::wstring wide_parameters = ToWide(parameters);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpFile = program.c_str();
    info.lpParameters = wide_parameters.c_str();
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    const bool started = ::ShellExecuteExW(&info) && info.hProcess != nullptr;
    Check(started, where,
          "could not start " + FromWide(program.wstring()) + " (error " + std::to_string(::GetLastError()) +
              ")");
    const DWORD id = info.hProcess != nullptr ? ::GetProcessId(info.hProcess) : 0;
    return *started_.emplace_back(std::make_unique<Process>(id, info.hProcess));
  }
  // kstrv7.exe (ours unless given), kestrove_ from now on unless that one still runs.
  Process& StartKestrove(const std::filesystem::path& program = {}, Where where = Where::current()) {
    Process& started = StartProgram(program.empty() ? BinDir() / kImage : program, {}, where);
    if (kestrove_ == nullptr || !kestrove_->Running()) kestrove_ = &started;
    return started;
  }
  Process& Adopt(DWORD process_id) {  // a copy the program started itself, from now on kestrove_
    return *(kestrove_ = started_.emplace_back(std::make_unique<Process>(process_id)).get());
  }
  // Returns once the window has been shown; options "--background" or "--hang" (once active).
  HelperWindow StartHelperWindow(const std::string& class_name, const std::string& title,
                                 const std::string& options, Where where = Where::current()) {
    HelperWindow helper{.log_path = std::filesystem::temp_directory_path() / (class_name + ".log")};
    std::filesystem::remove(helper.log_path);  // kswindow.exe appends to it
    helper.process = &StartProgram(BinDir() / L"kswindow.exe",
                                   "--class \"" + class_name + "\" --title \"" + title + "\" --log \"" +
                                       FromWide(helper.log_path.wstring()) + "\" " + options,
                                   where);
    helper.window =
        WaitForWindow({.class_name = class_name, .process_id = helper.process->Id()}, title, where);
    WaitUntil([&] { return helper.CountInLog("WM_SHOWWINDOW 1") == 1; },
              "the helper window's log of its show", kDefaultTimeout, where);
    return helper;
  }

  // <build>\screenshots\<name>.bmp, once every window has painted.
  void Screenshot(std::string_view name, Where where = Where::current()) {
    PollUntil(milliseconds(2000), [] {
      return std::ranges::none_of(Descendants(::GetDesktopWindow()), [](HWND window) {
        return IsShown(window) && ::GetUpdateRect(window, nullptr, FALSE);
      });
    });
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    BITMAPINFOHEADER info{sizeof(info), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};  // bottom-up rows
    const DWORD size = static_cast<DWORD>(((width * 3 + 3) & ~3) * height);
    const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof(info);
    const BITMAPFILEHEADER header{0x4D42 /* "BM" */, offset + size, 0, 0, offset};
    const HDC screen = ::GetDC(nullptr);
    void* pixels = nullptr;  // the bitmap outlives the memory DC, which lets go of it when deleted
    const platform::win32::UniqueBitmap bitmap(::CreateDIBSection(
        screen, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &pixels, nullptr, 0));
    const platform::win32::UniqueDc memory(::CreateCompatibleDC(screen));
    ::SelectObject(memory.get(), bitmap.get());
    const bool copied = pixels != nullptr &&
                        ::BitBlt(memory.get(), 0, 0, width, height, screen, 0, 0, SRCCOPY | CAPTUREBLT) &&
                        ::GdiFlush();
    ::ReleaseDC(nullptr, screen);
    const std::filesystem::path folder = BinDir().parent_path() / L"screenshots";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    std::ofstream file(folder / (ToWide(name) + L".bmp"), std::ios::binary);
    file.write(reinterpret_cast<const char*>(&header), sizeof(header));
    file.write(reinterpret_cast<const char*>(&info), sizeof(info));
    if (copied) file.write(static_cast<const char*>(pixels), size);
    Check(copied && file.good(), where, "could not save screenshot " + std::string(name));
  }

  void SetTaskList(const std::vector<std::string>& entries) {  // "entry,1" (active) or "entry,0"
    for (std::size_t i = 0; i < entries.size(); ++i)
      registry_.WriteString(kMachine, "Software\\KSV\\Tasks", "Task" + std::to_string(i), entries[i]);
  }

  // kestrove_'s windows: the configuration window, shown or not; a visible one by title.
  HWND Config() const { return FirstWindow({.title = kConfigTitle, .process_id = kestrove_->Id()}); }
  HWND Shown(std::string_view title = {}) const { return FirstWindow(OwnShown(title)); }
  WindowQuery OwnShown(std::string_view title) const {
    return {.title = title, .process_id = kestrove_->Id(), .visible_only = true};
  }
  HWND Prompt() const { return Shown("Kestrove"); }
  HWND WaitForShown(std::string_view title, std::string_view what = {}, Where where = Where::current()) {
    return WaitForWindow(OwnShown(title), what, where);
  }
  HWND WaitForPrompt(std::string_view why, Where where = Where::current()) {
    return WaitForShown("Kestrove", "the unlock prompt " + std::string(why), where);
  }
  // Answers the prompt with the default password; true once it has gone and `then` holds.
  bool Unlock(std::string_view why, const std::function<bool()>& then, Where where = Where::current()) {
    const HWND prompt = WaitForPrompt(why, where);
    const HWND box = FindChild(prompt, "Edit");
    const std::wstring text = ToWide(kDefaultPassword);
    return box != nullptr && Send(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) &&
           ClickButton(prompt, "OK") &&
           WaitUntil([&] { return Prompt() == nullptr && then(); },
                     "the prompt " + std::string(why) + " answered", kDefaultTimeout, where);
  }
  // Starts and unlocks the program: its configuration window, or nullptr.
  HWND StartToMainWindow(const std::filesystem::path& program = {}, Where where = Where::current()) {
    kestrove_ = &StartKestrove(program, where);
    const auto behind = [&] { return Prompt() && Config() != nullptr && !IsShown(Config()); };
    const auto in_front = [&] { return IsShown(Config()); };
    const bool unlocked =
        WaitUntil(behind, "the prompt over the hidden configuration window", kDefaultTimeout, where) &&
        Unlock("over the configuration window", in_front, where);
    return unlocked ? Config() : nullptr;
  }
  bool CloseConfig(Where where = Where::current()) {  // with Cancel, until no window of it shows
    return ClickButton(Config(), "Cancel") &&
           WaitUntil([&] { return Shown() == nullptr; }, "the configuration window to go", kDefaultTimeout,
                     where);
  }

  platform::win32::Win32Registry registry_backend_;
  config::RegistryEdit registry_{registry_backend_};
  Process* kestrove_ = nullptr;

 private:
  std::vector<std::unique_ptr<Process>> started_;
};

}  // namespace e2e
