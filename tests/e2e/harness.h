// End-to-end harness: starts kstrv7.exe and other programs under Wine, sets up
// the registry, finds and drives other processes' windows from outside as a
// user would, waits on conditions and saves screenshots. Windows-only.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <source_location>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/unique_handle.h"

namespace e2e {

using Where = std::source_location;

// Generous: a loaded CI machine starting Wine programs can be slow.
inline constexpr std::chrono::milliseconds kDefaultTimeout{10000};
// The program checks the foreground once a second: three ticks and a half.
inline constexpr std::chrono::milliseconds kThreeTicks{3500};

inline constexpr std::wstring_view kImage = L"kstrv7.exe";
inline constexpr std::string_view kPromptTitle = "Kestrove";
inline constexpr std::string_view kConfigTitle = "Kestrove Pro Configuration Tool";
// In force while none is stored; the prompt takes any letter case.
inline constexpr std::string_view kDefaultPassword = "tavrolk";
inline constexpr std::string_view kHiddenTitle = "###";
inline constexpr std::string_view kSettingsKey = "Software\\KSV\\Settings";
inline constexpr std::string_view kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// kstrv7.exe's folder: %KS_BIN_DIR% (a Unix path as Wine's Z:), else ours.
std::wstring BinDir();
// The key is created on write; a missing or other-typed value reads as none.
bool SetString(HKEY root, std::string_view path, std::string_view name, std::string_view text);
bool SetDword(HKEY root, std::string_view path, std::string_view name, DWORD value);
std::optional<std::string> GetString(HKEY root, std::string_view path, std::string_view name);
// HKLM\Software\KSV\Tasks as Task0, Task1, ...: "entry,1" (active) or "entry,0".
bool SetTaskList(const std::vector<std::string>& entries);

// Ended on destruction if it still runs; Id() is 0 when the start failed.
class Process {
 public:
  explicit Process(DWORD id = 0, HANDLE handle = nullptr) : handle_(handle), id_(id) {}
  ~Process() { End(); }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  DWORD Id() const { return id_; }
  bool Running() const { return handle_ && ::WaitForSingleObject(handle_.get(), 0) == WAIT_TIMEOUT; }
  std::optional<DWORD> WaitForExit(std::chrono::milliseconds timeout = kDefaultTimeout) const;
  bool End();  // true when it is gone

 private:
  platform::win32::UniqueKernelHandle handle_;
  DWORD id_;
};

// Whoever started them, this program excepted.
std::vector<DWORD> ProcessIdsByImage(std::wstring_view image);

// Top-level windows, hidden ones too unless visible_only, from the top of the
// z-order down; empty texts and process_id 0 match anything.
struct WindowQuery {
  std::string_view title = {};       // exact
  std::string_view class_name = {};  // letter case ignored, as Windows does
  DWORD process_id = 0;
  bool visible_only = false;
};
std::vector<HWND> FindWindows(const WindowQuery& query);
HWND FirstWindow(const WindowQuery& query);  // the topmost match, or nullptr
// A child at any depth ("" matches anything; "&OK" matches "OK"), or nullptr.
HWND FindChild(HWND parent, std::string_view class_name, std::string_view caption = {});

std::string WindowTitle(HWND window);  // read without a message: a hung window cannot stall it
bool IsShown(HWND window);             // exists and WS_VISIBLE
// For failure messages: [class] "title" visible/hidden, "gone" or "none".
std::string Describe(HWND window);

// Nothing when the window hung or is gone.
std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0);
// A message whose lparam points to `size` bytes: they are copied into the
// window's process for the call and back into `data` afterwards.
std::optional<LRESULT> SendWithData(HWND window, UINT message, WPARAM wparam, void* data, std::size_t size);
// WM_GETTEXT, which alone reads another process's edit control.
std::string ControlText(HWND control);
// BM_CLICK, waiting at most half a second for a handler that opens a modal
// window (the test then polls for that window).
bool Click(HWND button);
bool ClickButton(HWND parent, std::string_view caption);
// A left click at a point of the screen, once the pointer has arrived there.
bool ClickAt(POINT point, Where where = Where::current());
// Through SendInput once the window's top-level window has the foreground.
bool TypeText(HWND window, std::string_view text);
bool PressKey(HWND window, WORD virtual_key);

// Polls until the condition holds (true) or the timeout passes (false, with a
// failure at the caller's line naming what was awaited).
bool WaitUntil(const std::function<bool()>& condition, std::string_view what,
               std::chrono::milliseconds timeout = kDefaultTimeout, Where where = Where::current());
// Polls for the whole duration: false, with a failure, once it does not hold.
bool HoldsFor(const std::function<bool()>& condition, std::chrono::milliseconds duration,
              std::string_view what, Where where = Where::current());
HWND WaitForWindow(const WindowQuery& query, std::string_view what, Where where = Where::current());

// A window of a program Wine does not have, opened by tools/kswindow.cpp,
// with the log of the messages it received: one line per message, "WM_SHOWWINDOW
// 1|0", "WM_ACTIVATE 1|0", "WM_CLOSE <count>", "HUNG" (it stops taking messages).
struct HelperWindowOptions {
  std::string class_name;
  std::string title;
  bool background = false;  // shown without taking the foreground
  bool hang = false;        // stops handling messages for good once active
};
struct HelperWindow {
  Process* process = nullptr;
  HWND window = nullptr;
  std::wstring log_path = {};

  int CountInLog(std::string_view prefix) const;  // the lines that start with it
};

// SetUp ends programs left running, empties the configuration, switches the
// update reminder off (as a user who has seen it once) and shows the taskbar
// as a real desktop has it; TearDown saves a screenshot of a failure and ends
// every program started, the copies kstrv7.exe starts itself too.
class Scenario : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // As Windows starts what a user opens: through the shell, in the
  // program's folder when it is given with one.
  Process& StartProgram(const std::wstring& program, const std::string& parameters = {},
                        Where where = Where::current());
  // kstrv7.exe (ours unless given), kestrove_ from now on unless that one still runs.
  Process& StartKestrove(const std::wstring& program = {}, Where where = Where::current());
  // A copy the program started itself, from now on kestrove_.
  Process& Adopt(DWORD process_id, Where where = Where::current());
  // Returns once the window has been shown, as its log says.
  HelperWindow StartHelperWindow(const HelperWindowOptions& options, Where where = Where::current());
  // <screenshots>\<name>.bmp, for people to look at.
  void Screenshot(std::string_view name, Where where = Where::current());

  // kestrove_'s windows: the configuration window (shown or not), and the
  // unlock prompt while shown.
  HWND Config() const;
  HWND Prompt() const;
  bool KestroveShowsAnyWindow() const;
  // WM_SETTEXT into the prompt's box, then OK.
  static bool AnswerPrompt(HWND prompt, std::string_view password);
  HWND WaitForPrompt(std::string_view why, Where where = Where::current());

  // A fresh start's prompt (of kstrv7.exe as StartKestrove takes it),
  // answered with the default password once the configuration window is
  // hidden behind it: the configuration window.
  HWND StartToMainWindow(const std::wstring& program = {}, Where where = Where::current());

  Process* kestrove_ = nullptr;

 private:
  Process& Keep(std::unique_ptr<Process> process, std::string_view what, Where where);

  std::vector<std::unique_ptr<Process>> started_;
};

}  // namespace e2e
