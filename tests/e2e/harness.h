// End-to-end harness: starts kstrv7.exe and other programs under Wine,
// prepares the registry configuration, drives other processes' windows from
// outside as a user would, waits on conditions and saves screenshots; and the
// scenario base with the steps scenarios share (start to the prompt, past
// it, to the configuration window). Windows-only; never used by the product.
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
// The program checks the foreground once a second; "nothing happens" is
// watched for three ticks with half a tick to spare.
inline constexpr std::chrono::milliseconds kThreeTicks{3500};

// ---- The program as a user sees it -------------------------------------------

inline constexpr std::wstring_view kImage = L"kstrv7.exe";
inline constexpr std::string_view kPromptTitle = "Kestrove";
inline constexpr std::string_view kConfigTitle = "Kestrove Pro Configuration Tool";
// The password in force while none is stored; the prompt takes any letter case.
inline constexpr std::string_view kDefaultPassword = "tavrolk";
inline constexpr std::string_view kDefaultPasswordHint = "The default password is TAVROLK.";
inline constexpr std::string_view kInvalidPasswordHint = "Password is Invalid.";
inline constexpr std::string_view kEnterPasswordHint =
    "Enter a password to continue, or, contact your network administrator.";
inline constexpr std::string_view kHiddenTitle = "###";
inline constexpr std::string_view kSettingsKey = "Software\\KSV\\Settings";

// ---- Folders and registry ----------------------------------------------------

// The folder of kstrv7.exe: %KS_BIN_DIR% (a Unix path is mapped to its Wine
// drive path), else this program's own folder.
std::wstring BinDir();

// REG_SZ / REG_DWORD values, the key created on write; nothing when the
// value is missing or has another type.
bool SetString(HKEY root, std::string_view path, std::string_view name, std::string_view text);
bool SetDword(HKEY root, std::string_view path, std::string_view name, DWORD value);
std::optional<std::string> GetString(HKEY root, std::string_view path, std::string_view name);
std::optional<DWORD> GetDword(HKEY root, std::string_view path, std::string_view name);
// The protected task list as the program reads it: Task0, Task1, ... under
// HKLM\Software\KSV\Tasks, each "entry,1" (active) or "entry,0".
bool SetTaskList(const std::vector<std::string>& entries);

// ---- Processes -----------------------------------------------------------------

// A process this harness started; destroying it ends the process if it
// still runs. Id() is 0 when the start failed.
class Process {
 public:
  Process() = default;
  Process(HANDLE handle, DWORD id) : handle_(handle), id_(id) {}
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  DWORD Id() const { return id_; }
  bool Running() const;
  // The exit code once the process has ended, waiting up to timeout.
  std::optional<DWORD> WaitForExit(std::chrono::milliseconds timeout = kDefaultTimeout) const;
  // Terminates it; true when it is gone.
  bool End();

 private:
  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
};

// Starts a command line in a folder ("" = this program's); nullptr on failure.
std::unique_ptr<Process> StartProcess(std::string_view command_line, const std::wstring& folder = {});
// Every running process with this image name, whoever started it, except
// this program.
std::vector<DWORD> ProcessIdsByImage(std::wstring_view image);

// ---- Windows ---------------------------------------------------------------------

// Top-level windows to look for, hidden ones included unless visible_only;
// empty texts and process_id 0 match anything.
struct WindowQuery {
  std::string_view title = {};       // exact
  std::string_view class_name = {};  // letter case ignored, as Windows does
  DWORD process_id = 0;
  bool visible_only = false;
};

// Matching windows from the top of the z-order down.
std::vector<HWND> FindWindows(const WindowQuery& query);

std::string WindowTitle(HWND window);
bool Exists(HWND window);
bool IsShown(HWND window);  // WS_VISIBLE
bool IsForeground(HWND window);
// For failure messages: [class] "title" visible/hidden, "gone" or "none".
std::string Describe(HWND window);
// A child at any depth by class and caption ("" matches anything; "&OK"
// matches "OK"), or nullptr.
HWND FindChild(HWND parent, std::string_view class_name, std::string_view caption = {});

// The program's configuration window (shown or not), its unlock prompt while
// shown, and its black cover: the visible untitled window over the whole
// screen. nullptr when there is none.
HWND FindConfig(DWORD kestrove_id);
HWND FindPrompt(DWORD kestrove_id);
HWND FindCover(DWORD kestrove_id);
// The hint at the top of the prompt: its highest label, as a user reads it.
std::string PromptHint(HWND prompt);

// ---- Driving ---------------------------------------------------------------------

// WM_GETTEXT on a control of any process.
std::string ControlText(HWND control);
// BM_CLICK, waiting at most half a second for the handler: one that opens a
// modal window keeps running, and the test then polls for that window.
bool ClickControl(HWND button);
bool ClickButton(HWND parent, std::string_view caption);
bool PostClose(HWND window);
// Puts the password into the prompt's box (WM_SETTEXT) and clicks OK.
bool AnswerPrompt(HWND prompt, std::string_view password);
// As the keyboard gives them (SendInput), once the window's top-level window
// has the foreground: Unicode text, and one key pressed and released.
bool TypeText(HWND window, std::string_view text);
bool PressKey(HWND window, WORD virtual_key);
// A left click at a point of the screen, once the pointer has arrived there.
bool ClickAt(POINT point, Where where = Where::current());
// A message to another process's window; nothing when it hung or is gone.
std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0);

// ---- Waiting ---------------------------------------------------------------------

// Polls until the condition holds (true) or the timeout passes (false, with
// a failure at the caller's line naming what was awaited).
bool WaitUntil(const std::function<bool()>& condition, std::string_view what, Where where = Where::current());
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
               std::string_view what, Where where = Where::current());
// Polls for the whole duration: false, with a failure, as soon as the
// condition does not hold.
bool HoldsFor(const std::function<bool()>& condition, std::chrono::milliseconds duration,
              std::string_view what, Where where = Where::current());
HWND WaitForWindow(const WindowQuery& query, std::string_view what, Where where = Where::current());
HWND WaitForPrompt(DWORD kestrove_id, std::string_view why, Where where = Where::current());

// ---- Helper windows --------------------------------------------------------------

// What kswindow.exe (tools/kswindow.cpp) opens: a window of a program Wine
// does not have (a browser frame, an installer, an uninstaller).
struct HelperWindowOptions {
  std::string class_name;
  std::string title;
  bool refuse_close = false;  // WM_CLOSE is logged but does not close it
  bool background = false;    // shown without taking the foreground
  bool hang = false;          // stops handling messages for good once active
};

// A started kswindow.exe, its window once shown, and the log of what that
// window received, one line per message: "WM_SHOWWINDOW 1|0",
// "WM_ACTIVATE 1|0", "WM_CLOSE <count>", "HUNG", ...
struct HelperWindow {
  Process* process = nullptr;
  HWND window = nullptr;
  std::wstring log_path = {};

  int CountInLog(std::string_view line) const;
  int CountStartingWith(std::string_view prefix) const;
};

// ---- Scenario base -----------------------------------------------------------------

// SetUp ends programs left running, empties the program's configuration,
// switches the update reminder off (as a user who has seen it once has done)
// and shows the taskbar as a real desktop has it; TearDown saves a
// screenshot when the scenario failed and ends every program it started,
// also the copies kstrv7.exe starts itself.
class Scenario : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts kstrv7.exe in its own folder (kestrove_).
  Process& StartKestrove(Where where = Where::current());
  Process& StartProgram(std::string_view command_line, Where where = Where::current());
  // Starts kswindow.exe logging into a fresh file; returns once its window
  // has been shown, as its log says.
  HelperWindow StartHelperWindow(const HelperWindowOptions& options, Where where = Where::current());
  // Saves the screen as <screenshots>\<name>.bmp for people to look at.
  void Screenshot(std::string_view name, Where where = Where::current());

  // Starts the program and waits for the prompt of a fresh start, with the
  // configuration window hidden behind it (a prompt answered before that
  // would find the window hiding afterwards).
  HWND StartToPrompt(Where where = Where::current());
  // The same, answered with the default password: the configuration window
  // once it is up and the prompt gone.
  HWND StartToMainWindow(Where where = Where::current());
  // The same, closed with Cancel: the watch cycle runs from then on.
  void StartPastGate(Where where = Where::current());
  // Opens Notepad (notepad_) and returns its main window.
  HWND OpenNotepad(Where where = Where::current());
  // Clicks a tab of the configuration window with the mouse and waits until
  // it is selected and shows shown_control.
  static bool ShowTab(HWND config, int index, HWND shown_control, Where where = Where::current());
  bool KestroveShowsAnyWindow() const;

  Process* kestrove_ = nullptr;
  Process* notepad_ = nullptr;

 private:
  Process& Keep(std::unique_ptr<Process> process, std::string_view command_line, Where where);

  std::vector<std::unique_ptr<Process>> started_;
};

}  // namespace e2e
