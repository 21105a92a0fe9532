// End-to-end harness: starts kstrv7.exe and other programs under Wine, sets up
// the registry, drives other processes' windows from outside as a user would,
// waits on conditions and saves screenshots; and the scenario base with the
// steps scenarios share. Windows-only; never used by the product.
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

namespace e2e {

using Where = std::source_location;

// Generous: a loaded CI machine starting Wine programs can be slow.
inline constexpr std::chrono::milliseconds kDefaultTimeout{10000};
// The program checks the foreground once a second: three ticks and a half.
inline constexpr std::chrono::milliseconds kThreeTicks{3500};

// ---- The program as a user sees it -------------------------------------------

inline constexpr std::wstring_view kImage = L"kstrv7.exe";
inline constexpr std::string_view kPromptTitle = "Kestrove";
inline constexpr std::string_view kConfigTitle = "Kestrove Pro Configuration Tool";
// In force while none is stored; the prompt takes any letter case.
inline constexpr std::string_view kDefaultPassword = "tavrolk";
inline constexpr std::string_view kInvalidPasswordHint = "Password is Invalid.";
inline constexpr std::string_view kHiddenTitle = "###";
inline constexpr std::string_view kSettingsKey = "Software\\KSV\\Settings";

// ---- Folders, registry and processes -------------------------------------------

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
  Process() = default;
  Process(HANDLE handle, DWORD id) : handle_(handle), id_(id) {}
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  DWORD Id() const { return id_; }
  bool Running() const { return handle_ != nullptr && ::WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT; }
  std::optional<DWORD> WaitForExit(std::chrono::milliseconds timeout = kDefaultTimeout) const;
  bool End();  // true when it is gone

 private:
  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
};

// In a folder ("" = ours); nullptr on failure.
std::unique_ptr<Process> StartProcess(std::string_view command_line, const std::wstring& folder = {});
// Whoever started them, this program excepted.
std::vector<DWORD> ProcessIdsByImage(std::wstring_view image);

// ---- Windows ---------------------------------------------------------------------

// Top-level windows, hidden ones too unless visible_only, found from the top of
// the z-order down; empty texts and process_id 0 match anything.
struct WindowQuery {
  std::string_view title = {};       // exact
  std::string_view class_name = {};  // letter case ignored, as Windows does
  DWORD process_id = 0;
  bool visible_only = false;
};
std::vector<HWND> FindWindows(const WindowQuery& query);

std::string WindowTitle(HWND window);
bool Exists(HWND window);
bool IsShown(HWND window);  // WS_VISIBLE
bool IsForeground(HWND window);
// For failure messages: [class] "title" visible/hidden, "gone" or "none".
std::string Describe(HWND window);
// A child at any depth ("" matches anything; "&OK" matches "OK"), or nullptr.
HWND FindChild(HWND parent, std::string_view class_name, std::string_view caption = {});

// The configuration window (shown or not), the unlock prompt while shown, and
// the black cover (the visible untitled window over the whole screen).
HWND FindConfig(DWORD kestrove_id);
HWND FindPrompt(DWORD kestrove_id);
HWND FindCover(DWORD kestrove_id);
// The hint at the top of the prompt: its highest label.
std::string PromptHint(HWND prompt);

// ---- Driving and waiting -----------------------------------------------------------

// WM_GETTEXT, which alone reads another process's edit control.
std::string ControlText(HWND control);
// BM_CLICK, waiting at most half a second for a handler that opens a modal
// window (the test then polls for that window).
bool ClickControl(HWND button);
bool ClickButton(HWND parent, std::string_view caption);
bool PostClose(HWND window);
// WM_SETTEXT into the prompt's box, then OK.
bool AnswerPrompt(HWND prompt, std::string_view password);
// Through SendInput once the window's top-level window has the foreground.
bool TypeText(HWND window, std::string_view text);
bool PressKey(HWND window, WORD virtual_key);
// A left click at a point of the screen, once the pointer has arrived there.
bool ClickAt(POINT point, Where where = Where::current());
// Nothing when the window hung or is gone.
std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0);

// Polls until the condition holds (true) or the timeout passes (false, with a
// failure at the caller's line naming what was awaited).
bool WaitUntil(const std::function<bool()>& condition, std::string_view what, Where where = Where::current());
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
               std::string_view what, Where where = Where::current());
// Polls for the whole duration: false, with a failure, once it does not hold.
bool HoldsFor(const std::function<bool()>& condition, std::chrono::milliseconds duration,
              std::string_view what, Where where = Where::current());
HWND WaitForWindow(const WindowQuery& query, std::string_view what, Where where = Where::current());
HWND WaitForPrompt(DWORD kestrove_id, std::string_view why, Where where = Where::current());

// ---- Helper windows and the scenario base ------------------------------------------

// A window of a program Wine does not have, opened by tools/kswindow.cpp.
struct HelperWindowOptions {
  std::string class_name;
  std::string title;
  bool refuse_close = false;  // WM_CLOSE is logged but does not close it
  bool background = false;    // shown without taking the foreground
  bool hang = false;          // stops handling messages for good once active
};

// The log holds one line per message the window received: "WM_SHOWWINDOW
// 1|0", "WM_ACTIVATE 1|0", "WM_CLOSE <count>", "HUNG", ...
struct HelperWindow {
  Process* process = nullptr;
  HWND window = nullptr;
  std::wstring log_path = {};

  int CountInLog(std::string_view line) const { return CountStartingWith(std::string(line) + '\n'); }
  int CountStartingWith(std::string_view prefix) const;
};

// SetUp ends programs left running, empties the configuration, switches the
// update reminder off (as a user who has seen it once) and shows the taskbar
// as a real desktop has it; TearDown saves a screenshot of a failure and ends
// every program started, the copies kstrv7.exe starts itself too.
class Scenario : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  Process& StartKestrove(Where where = Where::current());  // in its own folder, as kestrove_
  Process& StartProgram(std::string_view command_line, Where where = Where::current());
  // Returns once the window has been shown, as its log says.
  HelperWindow StartHelperWindow(const HelperWindowOptions& options, Where where = Where::current());
  // <screenshots>\<name>.bmp, for people to look at.
  void Screenshot(std::string_view name, Where where = Where::current());

  // The prompt of a fresh start, once the configuration window is hidden
  // behind it (answered earlier, the window would hide afterwards).
  HWND StartToPrompt(Where where = Where::current());
  // Answered with the default password: the configuration window, no prompt.
  HWND StartToMainWindow(Where where = Where::current());
  // Closed with Cancel: the watch cycle runs from then on.
  void StartPastGate(Where where = Where::current());
  HWND OpenNotepad(Where where = Where::current());  // as notepad_
  // Clicks the tab with the mouse; waits until it shows shown_control.
  static bool ShowTab(HWND config, int index, HWND shown_control, Where where = Where::current());
  bool KestroveShowsAnyWindow() const;

  Process* kestrove_ = nullptr;
  Process* notepad_ = nullptr;

 private:
  Process& Keep(std::unique_ptr<Process> process, std::string_view command_line, Where where);

  std::vector<std::unique_ptr<Process>> started_;
};

}  // namespace e2e
