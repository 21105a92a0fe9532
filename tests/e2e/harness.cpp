// End-to-end harness over user32, gdi32, advapi32 and kernel32 (see harness.h),
// and the test program's entry point.
#include "e2e/harness.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/win32/wide_text.h"

namespace e2e {
namespace {

using platform::win32::FromWide;
using platform::win32::ToWide;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr DWORD kPollMs = 50;
constexpr std::wstring_view kImagesToEnd[] = {kImage, L"notepad.exe", L"regedit.exe", L"kswindow.exe"};

// ctest hands Unix paths to the program; Wine maps the Unix root to Z:.
std::wstring ToWindowsPath(std::wstring path) {
  if (path.empty() || path[0] != L'/') return path;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return L"Z:" + path;
}

// Top-level windows (parent nullptr) or the children of one at any depth.
std::vector<HWND> Windows(HWND parent) {
  std::vector<HWND> windows;
  const auto add = [](HWND window, LPARAM list) -> BOOL {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
  };
  const auto list = reinterpret_cast<LPARAM>(&windows);
  parent == nullptr ? ::EnumWindows(add, list) : ::EnumChildWindows(parent, add, list);
  return windows;
}

std::string WindowClass(HWND window) {
  wchar_t name[256] = {};
  return FromWide({name, static_cast<std::size_t>(std::max(0, ::GetClassNameW(window, name, 256)))});
}

bool HasClass(HWND window, std::string_view class_name) {
  return class_name.empty() ||
         ::_wcsicmp(ToWide(WindowClass(window)).c_str(), ToWide(class_name).c_str()) == 0;
}

DWORD ProcessOf(HWND window) {
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(window, &process_id);
  return process_id;
}

// Whether done() held at a look within the duration. The last look comes
// after the deadline, so a slow look cannot cut the duration short.
bool PollUntil(milliseconds duration, const std::function<bool()>& done) {
  const auto deadline = steady_clock::now() + duration;
  for (;;) {
    const bool past_deadline = steady_clock::now() >= deadline;
    if (done()) return true;
    if (past_deadline) return false;
    ::Sleep(kPollMs);
  }
}

HWND FindTopLevel(const WindowQuery& query) {
  const std::vector<HWND> found = FindWindows(query);
  return found.empty() ? nullptr : found.front();
}

// Each key (virtual key, scan code) pressed and released.
bool SendKeys(HWND window, const std::vector<std::pair<WORD, WORD>>& keys, DWORD flags) {
  std::vector<INPUT> inputs;
  for (const auto& [virtual_key, scan] : keys) {
    for (const DWORD up : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
      INPUT& input = inputs.emplace_back();
      input.type = INPUT_KEYBOARD;
      input.ki = {virtual_key, scan, flags | up, 0, 0};
    }
  }
  const HWND root = ::GetAncestor(window, GA_ROOT);
  ::SetForegroundWindow(root);
  return root != nullptr &&
         WaitUntil([&] { return ::GetForegroundWindow() == root; },
                   "the window to type into in the foreground") &&
         ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// None of our arguments holds a quote or ends with a backslash.
std::string Quote(std::string_view argument) {
  return "\"" + std::string(argument) + "\"";
}

void EndEvery(std::wstring_view image) {
  for (const DWORD id : ProcessIdsByImage(image))
    Process(::OpenProcess(PROCESS_ALL_ACCESS, FALSE, id), id).End();
}

void Fail(Where where, const std::string& message) {
  ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line())) << message;
}

bool DeleteKeyTree(HKEY root, std::string_view path) {
  const LSTATUS status = ::RegDeleteTreeW(root, ToWide(path).c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace

// ---- Folders, registry and processes -------------------------------------------

std::wstring BinDir() {
  if (const wchar_t* folder = ::_wgetenv(L"KS_BIN_DIR")) return ToWindowsPath(folder);
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path().wstring();
}

bool SetString(HKEY root, std::string_view path, std::string_view name, std::string_view text) {
  const std::wstring data = ToWide(text);  // RegSetKeyValueW creates the key
  return !::RegSetKeyValueW(root, ToWide(path).c_str(), ToWide(name).c_str(), REG_SZ, data.c_str(),
                            static_cast<DWORD>((data.size() + 1) * 2));
}

bool SetDword(HKEY root, std::string_view path, std::string_view name, DWORD value) {
  return !::RegSetKeyValueW(root, ToWide(path).c_str(), ToWide(name).c_str(), REG_DWORD, &value,
                            sizeof(value));
}

std::optional<std::string> GetString(HKEY root, std::string_view path, std::string_view name) {
  wchar_t data[1024] = {};
  DWORD size = sizeof(data);
  if (::RegGetValueW(root, ToWide(path).c_str(), ToWide(name).c_str(), RRF_RT_REG_SZ, nullptr, data, &size))
    return std::nullopt;
  return FromWide(data);
}

bool SetTaskList(const std::vector<std::string>& entries) {
  constexpr std::string_view kTasksKey = "Software\\KSV\\Tasks";
  bool ok = DeleteKeyTree(HKEY_LOCAL_MACHINE, kTasksKey);
  for (std::size_t i = 0; i < entries.size(); ++i)
    ok = ok && SetString(HKEY_LOCAL_MACHINE, kTasksKey, "Task" + std::to_string(i), entries[i]);
  return ok;
}

Process::~Process() {
  End();
  if (handle_ != nullptr) ::CloseHandle(handle_);
}

std::optional<DWORD> Process::WaitForExit(milliseconds timeout) const {
  DWORD code = 0;
  if (handle_ == nullptr ||
      ::WaitForSingleObject(handle_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0 ||
      !::GetExitCodeProcess(handle_, &code))
    return std::nullopt;
  return code;
}

bool Process::End() {
  if (Running()) ::TerminateProcess(handle_, 1);
  return WaitForExit().has_value() || handle_ == nullptr;
}

std::unique_ptr<Process> StartProcess(std::string_view command_line, const std::wstring& folder) {
  std::wstring command = ToWide(command_line);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info))
    return nullptr;
  ::CloseHandle(info.hThread);
  return std::make_unique<Process>(info.hProcess, info.dwProcessId);
}

std::vector<DWORD> ProcessIdsByImage(std::wstring_view image) {
  const std::wstring wanted(image);
  std::vector<DWORD> ids;
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID != ::GetCurrentProcessId() &&
        ::_wcsicmp(std::filesystem::path(entry.szExeFile).filename().c_str(), wanted.c_str()) == 0)
      ids.push_back(entry.th32ProcessID);
  }
  ::CloseHandle(snapshot);
  return ids;
}

// ---- Windows ---------------------------------------------------------------------

std::vector<HWND> FindWindows(const WindowQuery& query) {
  std::vector<HWND> found = Windows(nullptr);
  std::erase_if(found, [&](HWND window) {
    return (query.process_id != 0 && ProcessOf(window) != query.process_id) ||
           (query.visible_only && !IsShown(window)) || !HasClass(window, query.class_name) ||
           (!query.title.empty() && WindowTitle(window) != query.title);
  });
  return found;
}

std::string WindowTitle(HWND window) {
  // Read without a message to the window, so a hung window cannot stall it.
  wchar_t title[1024] = {};
  return FromWide({title, static_cast<std::size_t>(std::max(0, ::GetWindowTextW(window, title, 1024)))});
}

bool Exists(HWND window) {
  return window != nullptr && ::IsWindow(window);
}

bool IsShown(HWND window) {
  return Exists(window) && ::IsWindowVisible(window);
}

bool IsForeground(HWND window) {
  return window != nullptr && ::GetForegroundWindow() == window;
}

std::string Describe(HWND window) {
  if (!Exists(window)) return window == nullptr ? "none" : "gone";
  return "[" + WindowClass(window) + "] \"" + WindowTitle(window) +
         (IsShown(window) ? "\" visible" : "\" hidden");
}

HWND FindChild(HWND parent, std::string_view class_name, std::string_view caption) {
  for (HWND child : Windows(parent)) {
    if (!HasClass(child, class_name)) continue;
    std::string text = caption.empty() ? std::string() : ControlText(child);
    std::erase(text, '&');
    if (text == caption) return child;
  }
  return nullptr;
}

HWND FindConfig(DWORD kestrove_id) {
  return FindTopLevel({.title = kConfigTitle, .process_id = kestrove_id});
}

HWND FindPrompt(DWORD kestrove_id) {
  return FindTopLevel({.title = kPromptTitle, .process_id = kestrove_id, .visible_only = true});
}

HWND FindCover(DWORD kestrove_id) {
  for (HWND window : FindWindows({.process_id = kestrove_id, .visible_only = true})) {
    RECT rect{};
    if (WindowTitle(window).empty() && ::GetWindowRect(window, &rect) && rect.left <= 0 && rect.top <= 0 &&
        rect.right >= ::GetSystemMetrics(SM_CXSCREEN) && rect.bottom >= ::GetSystemMetrics(SM_CYSCREEN))
      return window;
  }
  return nullptr;
}

std::string PromptHint(HWND prompt) {
  HWND highest = nullptr;
  LONG top = LONG_MAX;
  for (HWND label : Windows(prompt)) {
    RECT rect{};
    if (HasClass(label, "Static") && IsShown(label) && ::GetWindowRect(label, &rect) && rect.top < top)
      std::tie(highest, top) = std::pair(label, rect.top);
  }
  return ControlText(highest);  // "" for none
}

// ---- Driving and waiting -----------------------------------------------------------

std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR result = 0;  // hung after five seconds
  if (!::SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, 5000, &result))
    return std::nullopt;
  return static_cast<LRESULT>(result);
}

std::string ControlText(HWND control) {
  std::wstring text(static_cast<std::size_t>(Send(control, WM_GETTEXTLENGTH).value_or(0)) + 1, L'\0');
  const auto copied = Send(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(std::min<std::size_t>(static_cast<std::size_t>(copied.value_or(0)), text.size() - 1));
  return FromWide(text);
}

bool ClickControl(HWND button) {
  DWORD_PTR result = 0;
  // A timeout means the click is still being handled: it was delivered.
  return Exists(button) && (::SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 500, &result) ||
                            ::GetLastError() == ERROR_TIMEOUT);
}

bool ClickButton(HWND parent, std::string_view caption) {
  return ClickControl(FindChild(parent, "Button", caption));
}

bool PostClose(HWND window) {
  return Exists(window) && ::PostMessageW(window, WM_CLOSE, 0, 0);
}

bool AnswerPrompt(HWND prompt, std::string_view password) {
  const std::wstring text = ToWide(password);
  return Send(FindChild(prompt, "Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())).value_or(0) &&
         ClickButton(prompt, "OK");
}

bool TypeText(HWND window, std::string_view text) {
  std::vector<std::pair<WORD, WORD>> keys;
  for (const wchar_t unit : ToWide(text)) keys.emplace_back(0, unit);
  return SendKeys(window, keys, KEYEVENTF_UNICODE);
}

bool PressKey(HWND window, WORD virtual_key) {
  return SendKeys(window, {{virtual_key, ::MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC)}}, 0);
}

bool WaitUntil(const std::function<bool()>& condition, std::string_view what, Where where) {
  return WaitUntil(condition, kDefaultTimeout, what, where);
}

bool WaitUntil(const std::function<bool()>& condition, milliseconds timeout, std::string_view what,
               Where where) {
  if (PollUntil(timeout, condition)) return true;
  Fail(where, "Timed out after " + std::to_string(timeout.count()) + " ms waiting for: " + std::string(what));
  return false;
}

bool HoldsFor(const std::function<bool()>& condition, milliseconds duration, std::string_view what,
              Where where) {
  const auto start = steady_clock::now();
  if (!PollUntil(duration, [&] { return !condition(); })) return true;
  const auto held = std::chrono::duration_cast<milliseconds>(steady_clock::now() - start);
  Fail(where, "Stopped holding after " + std::to_string(held.count()) + " ms of " +
                  std::to_string(duration.count()) + " ms: " + std::string(what));
  return false;
}

HWND WaitForWindow(const WindowQuery& query, std::string_view what, Where where) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindTopLevel(query)) != nullptr; }, what, where);
  return found;
}

HWND WaitForPrompt(DWORD kestrove_id, std::string_view why, Where where) {
  return WaitForWindow({.title = kPromptTitle, .process_id = kestrove_id, .visible_only = true},
                       "the unlock prompt " + std::string(why), where);
}

// ---- Helper windows and the scenario base ------------------------------------------

int HelperWindow::CountStartingWith(std::string_view prefix) const {
  // Read while kswindow.exe may still be writing it, each line ending "\r\n".
  std::ifstream file(std::filesystem::path(log_path), std::ios::binary);
  int count = 0;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.back() = '\n';
    count += line.starts_with(prefix) ? 1 : 0;
  }
  return count;
}

void Scenario::SetUp() {
  for (const std::wstring_view image : kImagesToEnd) EndEvery(image);
  // Under Wine without a desktop the taskbar exists but is hidden. The
  // program shows it when it starts, and showing a hidden window activates
  // it, which would take the foreground from the window a scenario opened.
  ASSERT_TRUE(WaitUntil(
      [] {
        const HWND taskbar = FindTopLevel({.class_name = "Shell_TrayWnd"});
        if (taskbar != nullptr && !IsShown(taskbar)) ::ShowWindowAsync(taskbar, SW_SHOWNA);
        return IsShown(taskbar);
      },
      "the taskbar to be shown"));
  ASSERT_TRUE(DeleteKeyTree(HKEY_LOCAL_MACHINE, "Software\\KSV"));
  ASSERT_TRUE(DeleteKeyTree(HKEY_CURRENT_USER, "Software\\KSV"));
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kSettingsKey, "DontShowUpdate", "1"));
}

void Scenario::TearDown() {
  if (HasFailure()) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "." + test->name() + "-failure";
    std::replace(name.begin(), name.end(), '/', '-');  // parameterised names
    Screenshot(name);
  }
  for (auto it = started_.rbegin(); it != started_.rend(); ++it)
    EXPECT_TRUE((*it)->End()) << "could not end process " << (*it)->Id();
  started_.clear();
  EndEvery(kImage);  // the copies the program starts itself
}

Process& Scenario::StartKestrove(Where where) {
  const std::string command = Quote(FromWide(BinDir() + L"\\" + std::wstring(kImage)));
  return *(kestrove_ = &Keep(StartProcess(command, BinDir()), command, where));
}

Process& Scenario::StartProgram(std::string_view command_line, Where where) {
  return Keep(StartProcess(command_line), command_line, where);
}

Process& Scenario::Keep(std::unique_ptr<Process> process, std::string_view command_line, Where where) {
  if (process == nullptr)
    Fail(where, "could not start " + std::string(command_line) + " (error " +
                    std::to_string(::GetLastError()) + ")");
  started_.push_back(process != nullptr ? std::move(process) : std::make_unique<Process>());
  return *started_.back();
}

HelperWindow Scenario::StartHelperWindow(const HelperWindowOptions& options, Where where) {
  // A new empty file: a log of an earlier run can have the same process id.
  wchar_t folder[MAX_PATH] = {}, log[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, folder);
  ::GetTempFileNameW(folder, L"ksw", 0, log);
  HelperWindow helper{.log_path = log};
  std::string command = Quote(FromWide(BinDir() + L"\\kswindow.exe")) + " --class " +
                        Quote(options.class_name) + " --title " + Quote(options.title) + " --log " +
                        Quote(FromWide(helper.log_path));
  if (options.refuse_close) command += " --refuse-close";
  if (options.background) command += " --background";
  if (options.hang) command += " --hang";
  helper.process = &Keep(StartProcess(command), command, where);
  // Hidden or not by now: a lock may have caught it already. What the log
  // leaves out counts only once its show is in it.
  helper.window = WaitForWindow({.class_name = options.class_name, .process_id = helper.process->Id()},
                                "the window \"" + options.title + "\"", where);
  WaitUntil([&] { return helper.CountInLog("WM_SHOWWINDOW 1") == 1; }, "the helper window's log of its show",
            where);
  return helper;
}

void Scenario::Screenshot(std::string_view name, Where where) {
  // A window shown a moment ago may not have painted yet. The update regions
  // are the window manager's, so a hung window cannot block this.
  PollUntil(milliseconds(2000), [] {
    const std::vector<HWND> all = Windows(::GetDesktopWindow());
    return std::none_of(all.begin(), all.end(), [](HWND window) {
      return ::IsWindowVisible(window) && ::GetUpdateRect(window, nullptr, FALSE);
    });
  });
  // Bottom-up rows of 24-bit pixels (scripts/wine-ctest.sh makes PNGs of them).
  const int width = ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int height = ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
  BITMAPINFOHEADER info{sizeof(info), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  const DWORD size = static_cast<DWORD>(((width * 3 + 3) & ~3) * height);
  const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof(info);
  const BITMAPFILEHEADER header{0x4D42 /* "BM" */, offset + size, 0, 0, offset};
  const HDC screen = ::GetDC(nullptr);
  const HDC memory = ::CreateCompatibleDC(screen);
  void* pixels = nullptr;
  const HBITMAP bitmap =
      ::CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &pixels, nullptr, 0);
  const HGDIOBJ previous = ::SelectObject(memory, bitmap);
  const bool copied = pixels != nullptr &&
                      ::BitBlt(memory, 0, 0, width, height, screen, ::GetSystemMetrics(SM_XVIRTUALSCREEN),
                               ::GetSystemMetrics(SM_YVIRTUALSCREEN), SRCCOPY | CAPTUREBLT) &&
                      ::GdiFlush();
  const wchar_t* folder = ::_wgetenv(L"KS_SHOT_DIR");
  const std::filesystem::path dir =
      folder != nullptr ? ToWindowsPath(folder) : BinDir() + L"\\..\\screenshots";
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  std::ofstream file(dir / (ToWide(name) + L".bmp"), std::ios::binary);
  file.write(reinterpret_cast<const char*>(&header), sizeof(header));
  file.write(reinterpret_cast<const char*>(&info), sizeof(info));
  if (copied) file.write(static_cast<const char*>(pixels), size);
  ::SelectObject(memory, previous);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  if (!copied || !file.good()) Fail(where, "could not save screenshot " + std::string(name));
}

HWND Scenario::StartToPrompt(Where where) {
  const DWORD id = StartKestrove(where).Id();
  HWND prompt = nullptr;
  const bool shown = WaitUntil(
      [&] { return (prompt = FindPrompt(id)) && Exists(FindConfig(id)) && !IsShown(FindConfig(id)); },
      "the unlock prompt with the configuration window hidden behind it", where);
  return shown ? prompt : nullptr;
}

HWND Scenario::StartToMainWindow(Where where) {
  const HWND prompt = StartToPrompt(where);
  if (prompt == nullptr || !AnswerPrompt(prompt, kDefaultPassword)) return nullptr;
  const DWORD id = kestrove_->Id();
  const bool shown = WaitUntil([&] { return IsShown(FindConfig(id)) && FindPrompt(id) == nullptr; },
                               "the configuration window in place of the prompt", where);
  return shown ? FindConfig(id) : nullptr;
}

void Scenario::StartPastGate(Where where) {
  const HWND config = StartToMainWindow(where);
  ASSERT_NE(config, nullptr);
  ASSERT_TRUE(ClickButton(config, "Cancel"));
  ASSERT_TRUE(WaitUntil([&] { return !KestroveShowsAnyWindow(); }, "the configuration window to go", where));
}

HWND Scenario::OpenNotepad(Where where) {
  notepad_ = &StartProgram("notepad.exe", where);
  return WaitForWindow({.class_name = "Notepad", .process_id = notepad_->Id()}, "Notepad's window", where);
}

bool Scenario::ShowTab(HWND config, int index, HWND shown_control, Where where) {
  const HWND tabs = FindChild(config, "SysTabControl32");
  // TCM_GETITEMRECT writes through a pointer: into the program's memory.
  const HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ, FALSE, ProcessOf(tabs));
  void* remote = ::VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  RECT rect{};
  const bool got = remote != nullptr &&
                   Send(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(remote)).value_or(0) != 0 &&
                   ::ReadProcessMemory(process, remote, &rect, sizeof(rect), nullptr);
  ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  ::CloseHandle(process);
  POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  if (!got || !::ClientToScreen(tabs, &centre)) {
    Fail(where, "no tab " + std::to_string(index) + " on " + Describe(config));
    return false;
  }
  // A left click there, once nothing covers the tabs.
  return WaitUntil([&] { return ::WindowFromPoint(centre) == tabs; }, "the tabs to be uncovered", where) &&
         ClickAt(centre, where) &&
         WaitUntil([&] { return Send(tabs, TCM_GETCURSEL) == index && IsShown(shown_control); },
                   "tab " + std::to_string(index) + " to show its page", where);
}

bool ClickAt(POINT point, Where where) {
  INPUT clicks[2] = {};
  clicks[0].type = clicks[1].type = INPUT_MOUSE;
  clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  POINT cursor{};
  return ::SetCursorPos(point.x, point.y) &&
         WaitUntil([&] { return ::GetCursorPos(&cursor) && cursor.x == point.x && cursor.y == point.y; },
                   "the mouse pointer to arrive", where) &&
         ::SendInput(2, clicks, sizeof(INPUT)) == 2;
}

bool Scenario::KestroveShowsAnyWindow() const {
  return kestrove_ != nullptr && !FindWindows({.process_id = kestrove_->Id(), .visible_only = true}).empty();
}

}  // namespace e2e

// Screenshots of real, unscaled pixels; the programs started inherit the error
// mode, so that a crash ends one at once instead of opening a dialog.
int main(int argc, char** argv) {
  ::SetProcessDPIAware();
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
