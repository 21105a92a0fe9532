// End-to-end harness: starts kstrv7.exe and other programs under Wine, prepares
// the registry configuration, finds and drives other processes' windows from
// outside as a user would, waits on conditions and saves screenshots.
// Windows-only; used by the e2e_tests program, never by the product.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <source_location>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

// How long a wait lasts unless a step states its own limit: generous, since a
// loaded CI machine starting Wine programs can be slow.
inline constexpr std::chrono::milliseconds kDefaultTimeout{10000};
inline constexpr std::chrono::milliseconds kPollInterval{50};

// ---- Text ------------------------------------------------------------------

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// ---- Folders ---------------------------------------------------------------

// The folder of kstrv7.exe: %KS_BIN_DIR%, else this program's own folder. A
// Unix path (as ctest passes it) is mapped to its Wine drive path.
std::wstring BinDir();
// Where screenshots go: %KS_SHOT_DIR%, else "screenshots" beside BinDir().
std::wstring ShotDir();

// ---- Registry configuration ------------------------------------------------

// The program's keys (under HKLM, and the per-user one under HKCU).
inline constexpr std::string_view kProductKey = "Software\\KSV";
inline constexpr std::string_view kTasksKey = "Software\\KSV\\Tasks";
inline constexpr std::string_view kSettingsKey = "Software\\KSV\\Settings";

// Write a REG_SZ / REG_DWORD value, creating the key; false when it failed.
bool SetString(HKEY root, std::string_view path, std::string_view name, std::string_view text);
bool SetDword(HKEY root, std::string_view path, std::string_view name, DWORD value);
// A REG_SZ / REG_DWORD value; nothing when the key or value is missing or has
// another type.
std::optional<std::string> GetString(HKEY root, std::string_view path, std::string_view name);
std::optional<DWORD> GetDword(HKEY root, std::string_view path, std::string_view name);
// Removes a key with everything under it; true when it is gone afterwards
// (also when it never existed).
bool DeleteKeyTree(HKEY root, std::string_view path);
// Stores the protected task list as the program reads it: Task0, Task1, ...
// under HKLM\Software\KSV\Tasks, each "entry,1" (active) or "entry,0".
bool SetTaskList(const std::vector<std::string>& entries);

// ---- Processes -------------------------------------------------------------

// A process this harness started. Ending it (or destroying the object) ends
// the process if it still runs. An empty Process (start failed) has Id() 0.
class Process {
 public:
  Process() = default;
  Process(HANDLE handle, DWORD id, std::wstring image);
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  DWORD Id() const { return id_; }
  HANDLE Handle() const { return handle_; }
  // The image file name, e.g. L"notepad.exe".
  const std::wstring& Image() const { return image_; }
  bool Running() const;
  // The exit code once the process has ended, waiting up to timeout.
  std::optional<DWORD> WaitForExit(std::chrono::milliseconds timeout = kDefaultTimeout) const;
  // TerminateProcess and wait for it to be gone; true when it is gone.
  bool End();

 private:
  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
  std::wstring image_;
};

// Starts a command line (the program is searched on the PATH, as the Run
// box does) in a working folder ("" = this program's). nullptr on failure.
std::unique_ptr<Process> StartProcess(std::string_view command_line, const std::wstring& folder = {});
// Ends every running process with one of these image names (letter case
// ignored), except this program; returns how many it ended.
int EndProcessesByImage(const std::vector<std::wstring>& images);
// Ids of every running process with this image name (letter case ignored),
// whoever started it, except this program.
std::vector<DWORD> ProcessIdsByImage(std::wstring_view image);

// ---- Windows ---------------------------------------------------------------

// What to look for among top-level windows; hidden windows are included
// unless visible_only. Empty texts and process_id 0 match anything. Built by
// chaining: WindowQuery().OfClass("Notepad").OfProcess(notepad.Id()).
struct WindowQuery {
  std::string title;       // exact title, letter case included
  std::string title_part;  // substring of the title
  std::string class_name;  // exact class name (letter case ignored, as Windows does)
  DWORD process_id = 0;
  bool visible_only = false;

  WindowQuery Titled(std::string_view text) const { return With(&WindowQuery::title, text); }
  WindowQuery TitleContains(std::string_view text) const { return With(&WindowQuery::title_part, text); }
  WindowQuery OfClass(std::string_view name) const { return With(&WindowQuery::class_name, name); }
  WindowQuery OfProcess(DWORD id) const {
    WindowQuery query = *this;
    query.process_id = id;
    return query;
  }
  WindowQuery VisibleOnly() const {
    WindowQuery query = *this;
    query.visible_only = true;
    return query;
  }

 private:
  WindowQuery With(std::string WindowQuery::*field, std::string_view text) const {
    WindowQuery query = *this;
    query.*field = std::string(text);
    return query;
  }
};

// Top-level windows matching the query, from the top of the z-order down.
std::vector<HWND> FindWindows(const WindowQuery& query);
// The first of them, or nullptr.
HWND FindTopLevel(const WindowQuery& query);
HWND FindByTitle(std::string_view title, DWORD process_id = 0);
HWND FindByTitlePart(std::string_view part, DWORD process_id = 0);
HWND FindByClass(std::string_view class_name, DWORD process_id = 0);
// Every top-level window of a process, hidden ones included.
std::vector<HWND> WindowsOfProcess(DWORD process_id);

// Reading a window of any process; "" / false when it is gone.
std::string WindowTitle(HWND window);
std::string WindowClass(HWND window);
bool Exists(HWND window);
bool IsShown(HWND window);  // WS_VISIBLE
bool IsForeground(HWND window);
DWORD ProcessOf(HWND window);
// A window for failure messages: [class] "title" visible/hidden, "gone" or
// "none".
std::string Describe(HWND window);

// A child (at any depth) with that class and caption; an empty class or
// caption matches anything. A caption matches with or without its "&"
// accelerator marks ("&OK" matches "OK"). nullptr when there is none.
HWND FindChild(HWND parent, std::string_view class_name, std::string_view caption = {});
// A child (at any depth) with that control id, or nullptr.
HWND FindChildById(HWND parent, int control_id);

// ---- Driving ---------------------------------------------------------------

// The text of a control of any process (WM_GETTEXT); "" when it cannot be read.
std::string ControlText(HWND control);
// Replaces the text of a control (WM_SETTEXT); false when it failed.
bool SetControlText(HWND control, std::string_view text);
// The same on a child found by control id, or by class (the first of it).
bool SetChildText(HWND parent, int control_id, std::string_view text);
bool SetChildTextByClass(HWND parent, std::string_view class_name, std::string_view text);
std::string ChildText(HWND parent, int control_id);
// Clicks a button (BM_CLICK) found by caption or id. Waits until the click is
// handled, at most half a second: a handler that opens a modal window keeps
// running, and the test then polls for what the click brings up.
bool ClickButton(HWND parent, std::string_view caption);
bool ClickButton(HWND parent, int control_id);
bool ClickControl(HWND button);
// Asks a window to close (WM_CLOSE posted); false when it could not be posted.
bool PostClose(HWND window);

// Keys posted to one window's queue (no focus needed): a key press
// (WM_KEYDOWN + WM_KEYUP) and typed characters (WM_CHAR per UTF-16 unit).
bool PostKey(HWND window, WORD virtual_key);
bool PostChars(HWND window, std::string_view text);
// Keys as the keyboard gives them (SendInput) after bringing the window to
// the foreground: a chord pressed in order and released in reverse (e.g.
// {VK_MENU, VK_F4}), and Unicode text.
bool PressKeys(HWND window, std::initializer_list<WORD> chord);
bool TypeText(HWND window, std::string_view text);

// ---- Waiting ---------------------------------------------------------------

// Polls condition every kPollInterval until it holds (true) or the timeout
// passes (false, and a test failure naming what was awaited).
bool WaitUntil(const std::function<bool()>& condition, std::string_view what,
               std::source_location where = std::source_location::current());
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
               std::string_view what, std::source_location where = std::source_location::current());
// Polls condition for the whole duration: true when it held throughout;
// false, with a test failure naming what, as soon as it does not.
bool HoldsFor(const std::function<bool()>& condition, std::chrono::milliseconds duration,
              std::string_view what, std::source_location where = std::source_location::current());
// Waits for a top-level window matching the query; nullptr (and a failure)
// when none shows up in time.
HWND WaitForWindow(const WindowQuery& query, std::string_view what,
                   std::chrono::milliseconds timeout = kDefaultTimeout,
                   std::source_location where = std::source_location::current());

// ---- Screenshots -----------------------------------------------------------

// Saves the whole screen as ShotDir()\<name>.png (characters not allowed in
// file names become '-'); the file's path, or "" when it failed.
std::wstring SaveScreenshot(std::string_view name);

// ---- Helper windows --------------------------------------------------------

// What kswindow.exe (tools/kswindow.cpp, built beside kstrv7.exe) opens: one
// top-level window of this class and title, for windows of programs Wine
// does not have (a browser frame, an installer, an uninstaller).
struct HelperWindowOptions {
  std::string class_name;
  std::string title;
  bool refuse_close = false;  // WM_CLOSE is counted but does not close it
  bool background = false;    // shown without taking the foreground
  bool hang = false;          // stops handling messages for good once active
};

// A kswindow.exe a scenario started, and the log of what its window received:
// one line per message, "WM_CREATE", "WM_SHOWWINDOW 1" / "WM_SHOWWINDOW 0",
// "WM_ACTIVATE 1" / "WM_ACTIVATE 0", "WM_SETTEXT <title>", "WM_CLOSE <count>",
// "WM_DESTROY", and "HUNG" when a hanging window has stopped.
struct HelperWindow {
  Process* process = nullptr;
  std::wstring log_path;

  // The log's lines so far; empty when it cannot be read.
  std::vector<std::string> LogLines() const;
  // How many lines so far are exactly line.
  int CountInLog(std::string_view line) const;
  // How many lines so far start with prefix (e.g. "WM_CLOSE ").
  int CountStartingWith(std::string_view prefix) const;
};

// The command line that starts kswindow.exe from BinDir() with these options,
// logging into log_path ("" = no log).
std::string HelperWindowCommand(const HelperWindowOptions& options, const std::wstring& log_path);
// The lines of a UTF-8 text file (CR LF or LF), read while another process
// may still be writing it; empty when it cannot be read.
std::vector<std::string> ReadLines(const std::wstring& path);

// ---- Scenario fixture ------------------------------------------------------

// Base of every end-to-end scenario. SetUp ends programs left running by
// earlier scenarios, empties the program's configuration (HKLM and HKCU
// Software\KSV) and shows the taskbar as a real desktop has it (Wine keeps it
// hidden); TearDown saves a screenshot when the scenario failed and ends every
// program the scenario started.
class Scenario : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts %KS_BIN_DIR%\kstrv7.exe in its own folder, with optional
  // command-line arguments.
  Process& StartKestrove(std::string_view arguments = {},
                         std::source_location where = std::source_location::current());
  // Starts another program, e.g. "notepad.exe" or "regedit.exe".
  Process& StartProgram(std::string_view command_line,
                        std::source_location where = std::source_location::current());
  // Saves a screenshot for review; a failure to save fails the scenario.
  void Screenshot(std::string_view name, std::source_location where = std::source_location::current());
  // Starts kswindow.exe with these options, logging into a fresh file in the
  // temporary folder; the window is then looked for by its class and the
  // process id.
  HelperWindow StartHelperWindow(const HelperWindowOptions& options,
                                 std::source_location where = std::source_location::current());

 private:
  Process& Keep(std::unique_ptr<Process> process, std::string_view command_line, std::source_location where);

  std::vector<std::unique_ptr<Process>> started_;
};

}  // namespace e2e
