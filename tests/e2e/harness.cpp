// End-to-end harness over user32, gdi32, advapi32 and kernel32 (see harness.h).
#include "e2e/harness.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>

#include "platform/win32/wide_text.h"

namespace e2e {
namespace {

using platform::win32::FromWide;
using platform::win32::ToWide;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr milliseconds kPollInterval{50};
// How long a message to another process's window may take before it counts
// as hung, and how long a click waits for its handler (see ClickControl).
constexpr UINT kMessageTimeoutMs = 5000;
constexpr UINT kClickTimeoutMs = 500;
constexpr DWORD kEndTimeoutMs = 10000;
// What SetUp ends: every program scenarios start, whoever started it.
constexpr std::wstring_view kImagesToEnd[] = {kImage, L"notepad.exe", L"regedit.exe", L"kswindow.exe"};

void Pause() {
  ::Sleep(static_cast<DWORD>(kPollInterval.count()));
}

bool SameText(std::wstring_view a, std::wstring_view b) {
  return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// ctest hands Unix paths to the program; Wine maps the Unix root to Z:.
std::wstring ToWindowsPath(std::wstring path) {
  if (path.empty() || path[0] != L'/') return path;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return L"Z:" + path;
}

std::wstring ScreenshotDir() {
  const wchar_t* folder = ::_wgetenv(L"KS_SHOT_DIR");
  return folder != nullptr ? ToWindowsPath(folder) : BinDir() + L"\\..\\screenshots";
}

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

DWORD ProcessOf(HWND window) {
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(window, &process_id);
  return process_id;
}

bool Matches(const WindowQuery& query, HWND window) {
  return (query.process_id == 0 || ProcessOf(window) == query.process_id) &&
         (!query.visible_only || IsShown(window)) &&
         (query.class_name.empty() || SameText(ToWide(WindowClass(window)), ToWide(query.class_name))) &&
         (query.title.empty() || WindowTitle(window) == query.title);
}

bool BringToForeground(HWND window) {
  const HWND root = ::GetAncestor(window, GA_ROOT);
  ::SetForegroundWindow(root);
  return root != nullptr && WaitUntil([&] { return ::GetForegroundWindow() == root; },
                                      "the window to type into in the foreground");
}

bool SendKeys(const std::vector<INPUT>& inputs) {
  return ::SendInput(static_cast<UINT>(inputs.size()), const_cast<INPUT*>(inputs.data()), sizeof(INPUT)) ==
         inputs.size();
}

INPUT Key(WORD virtual_key, WORD scan, DWORD flags) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtual_key;
  input.ki.wScan = scan;
  input.ki.dwFlags = flags;
  return input;
}

HWND FindTopLevel(const WindowQuery& query) {
  const std::vector<HWND> found = FindWindows(query);
  return found.empty() ? nullptr : found.front();
}

// Under Wine without a desktop, explorer's taskbar exists but is hidden,
// while on a real desktop it is always shown. The program shows the taskbar
// when it starts; showing a hidden window activates it, which would take the
// foreground from the window a scenario has just opened.
bool ShowTaskbar() {
  HWND taskbar = nullptr;
  return WaitUntil(
      [&] {
        taskbar = FindTopLevel({.class_name = "Shell_TrayWnd"});
        if (taskbar != nullptr && !IsShown(taskbar)) ::ShowWindowAsync(taskbar, SW_SHOWNA);
        return IsShown(taskbar);
      },
      "the taskbar to be shown");
}

// Whether a visible window still has an area waiting to be painted; read
// from the window manager's state, so a hung window cannot block the test.
bool PaintPending() {
  for (HWND window : Windows(nullptr)) {
    if (!::IsWindowVisible(window)) continue;
    if (::GetUpdateRect(window, nullptr, FALSE)) return true;
    for (HWND child : Windows(window)) {
      if (::IsWindowVisible(child) && ::GetUpdateRect(child, nullptr, FALSE)) return true;
    }
  }
  return false;
}

// The whole screen as a 24-bit BMP file (scripts/wine-ctest.sh turns it
// into a PNG afterwards).
bool SaveScreen(const std::filesystem::path& path) {
  const int width = ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int height = ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
  const HDC screen = ::GetDC(nullptr);
  const HDC memory = ::CreateCompatibleDC(screen);
  const HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
  const HGDIOBJ previous = ::SelectObject(memory, bitmap);
  const bool copied = ::BitBlt(memory, 0, 0, width, height, screen, ::GetSystemMetrics(SM_XVIRTUALSCREEN),
                               ::GetSystemMetrics(SM_YVIRTUALSCREEN), SRCCOPY | CAPTUREBLT);
  ::SelectObject(memory, previous);
  BITMAPINFOHEADER info{};  // bottom-up rows of 24-bit pixels
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  std::vector<char> pixels(static_cast<std::size_t>((width * 3 + 3) & ~3) * std::max(height, 0));
  const int rows = copied ? ::GetDIBits(memory, bitmap, 0, height, pixels.data(),
                                        reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS)
                          : 0;
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  if (rows != height || height <= 0) return false;

  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;  // "BM"
  header.bfOffBits = sizeof(header) + sizeof(info);
  header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(&header), sizeof(header));
  file.write(reinterpret_cast<const char*>(&info), sizeof(info));
  file.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  return file.good();
}

// One command-line argument; none of ours holds a quote or ends with a
// backslash, which would need escaping.
std::string Quote(std::string_view argument) {
  return "\"" + std::string(argument) + "\"";
}

// A file of the temporary folder that no other file of this run has, and
// none of an earlier run (Wine gives out the same process ids again).
std::filesystem::path FreshTempFile(std::wstring_view stem) {
  static int count = 0;
  const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     (std::wstring(stem) + L"-" + std::to_wstring(::GetCurrentProcessId()) +
                                      L"-" + std::to_wstring(++count) + L".log");
  std::error_code error;
  std::filesystem::remove(path, error);
  return path;
}

// Ends every process with this image name, whoever started it.
void EndEvery(std::wstring_view image) {
  for (const DWORD id : ProcessIdsByImage(image))
    Process(::OpenProcess(PROCESS_ALL_ACCESS, FALSE, id), id).End();
}

void Fail(Where where, const std::string& message) {
  ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line())) << message;
}

}  // namespace

// ---- Folders and registry --------------------------------------------------------

std::wstring BinDir() {
  if (const wchar_t* folder = ::_wgetenv(L"KS_BIN_DIR")) return ToWindowsPath(folder);
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path().wstring();
}

namespace {

bool SetValue(HKEY root, std::string_view path, std::string_view name, DWORD type, const void* data,
              DWORD size) {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(root, ToWide(path).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr))
    return false;
  const LSTATUS status =
      ::RegSetValueExW(key, ToWide(name).c_str(), 0, type, static_cast<const BYTE*>(data), size);
  ::RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

bool DeleteKeyTree(HKEY root, std::string_view path) {
  const LSTATUS status = ::RegDeleteTreeW(root, ToWide(path).c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace

bool SetString(HKEY root, std::string_view path, std::string_view name, std::string_view text) {
  const std::wstring data = ToWide(text);
  return SetValue(root, path, name, REG_SZ, data.c_str(), static_cast<DWORD>((data.size() + 1) * 2));
}

bool SetDword(HKEY root, std::string_view path, std::string_view name, DWORD value) {
  return SetValue(root, path, name, REG_DWORD, &value, sizeof(value));
}

std::optional<std::string> GetString(HKEY root, std::string_view path, std::string_view name) {
  wchar_t data[1024] = {};
  DWORD size = sizeof(data);
  if (::RegGetValueW(root, ToWide(path).c_str(), ToWide(name).c_str(), RRF_RT_REG_SZ, nullptr, data, &size))
    return std::nullopt;
  return FromWide(data);
}

std::optional<DWORD> GetDword(HKEY root, std::string_view path, std::string_view name) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (::RegGetValueW(root, ToWide(path).c_str(), ToWide(name).c_str(), RRF_RT_REG_DWORD, nullptr, &value,
                     &size))
    return std::nullopt;
  return value;
}

bool SetTaskList(const std::vector<std::string>& entries) {
  constexpr std::string_view kTasksKey = "Software\\KSV\\Tasks";
  bool ok = DeleteKeyTree(HKEY_LOCAL_MACHINE, kTasksKey);
  for (std::size_t i = 0; i < entries.size(); ++i)
    ok = ok && SetString(HKEY_LOCAL_MACHINE, kTasksKey, "Task" + std::to_string(i), entries[i]);
  return ok;
}

// ---- Processes -----------------------------------------------------------------

Process::~Process() {
  End();
  if (handle_ != nullptr) ::CloseHandle(handle_);
}

bool Process::Running() const {
  return handle_ != nullptr && ::WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
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
  return handle_ == nullptr || ::WaitForSingleObject(handle_, kEndTimeoutMs) == WAIT_OBJECT_0;
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
  std::vector<DWORD> ids;
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID != ::GetCurrentProcessId() &&
        SameText(std::filesystem::path(entry.szExeFile).filename().wstring(), image))
      ids.push_back(entry.th32ProcessID);
  }
  ::CloseHandle(snapshot);
  return ids;
}

// ---- Windows ---------------------------------------------------------------------

std::vector<HWND> FindWindows(const WindowQuery& query) {
  std::vector<HWND> found = Windows(nullptr);
  std::erase_if(found, [&](HWND window) { return !Matches(query, window); });
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
  if (window == nullptr) return "none";
  if (!Exists(window)) return "gone";
  // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "[" + text.
  std::string text(1, '[');
  text += WindowClass(window);
  text += "] \"";
  text += WindowTitle(window);
  return text += IsShown(window) ? "\" visible" : "\" hidden";
}

HWND FindChild(HWND parent, std::string_view class_name, std::string_view caption) {
  for (HWND child : Windows(parent)) {
    if (!class_name.empty() && !SameText(ToWide(WindowClass(child)), ToWide(class_name))) continue;
    if (caption.empty()) return child;
    std::string text = ControlText(child);
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
  const RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  for (HWND window : FindWindows({.process_id = kestrove_id, .visible_only = true})) {
    RECT rect{};
    if (WindowTitle(window).empty() && ::GetWindowRect(window, &rect) && rect.left <= screen.left &&
        rect.top <= screen.top && rect.right >= screen.right && rect.bottom >= screen.bottom)
      return window;
  }
  return nullptr;
}

std::string PromptHint(HWND prompt) {
  HWND highest = nullptr;
  LONG highest_top = LONG_MAX;
  for (HWND label : Windows(prompt)) {
    RECT rect{};
    if (WindowClass(label) == "Static" && IsShown(label) && ::GetWindowRect(label, &rect) &&
        rect.top < highest_top) {
      highest = label;
      highest_top = rect.top;
    }
  }
  return highest != nullptr ? ControlText(highest) : std::string();
}

// ---- Driving ---------------------------------------------------------------------

std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result))
    return std::nullopt;
  return static_cast<LRESULT>(result);
}

std::string ControlText(HWND control) {
  // WM_GETTEXT: only the message reads an edit control of another process.
  std::wstring text(static_cast<std::size_t>(Send(control, WM_GETTEXTLENGTH).value_or(0)) + 1, L'\0');
  const auto copied = Send(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(std::min<std::size_t>(static_cast<std::size_t>(copied.value_or(0)), text.size() - 1));
  return FromWide(text);
}

bool ClickControl(HWND button) {
  DWORD_PTR result = 0;
  // A timeout means the click is still being handled: it was delivered.
  return Exists(button) &&
         (::SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kClickTimeoutMs, &result) ||
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
  std::vector<INPUT> inputs;
  for (const wchar_t unit : ToWide(text)) {
    inputs.push_back(Key(0, unit, KEYEVENTF_UNICODE));
    inputs.push_back(Key(0, unit, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
  }
  return BringToForeground(window) && SendKeys(inputs);
}

bool ClickAt(POINT point, Where where) {
  // Absolute positions run from 0 to 65535 across the primary screen.
  INPUT inputs[3] = {};
  for (INPUT& input : inputs) input.type = INPUT_MOUSE;
  inputs[0].mi.dx = ::MulDiv(point.x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
  inputs[0].mi.dy = ::MulDiv(point.y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
  inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  return ::SendInput(1, inputs, sizeof(INPUT)) == 1 &&
         WaitUntil(
             [&] {
               POINT cursor{};
               return ::GetCursorPos(&cursor) && cursor.x == point.x && cursor.y == point.y;
             },
             "the mouse pointer to arrive", where) &&
         ::SendInput(2, inputs + 1, sizeof(INPUT)) == 2;
}

bool PressKey(HWND window, WORD virtual_key) {
  const auto scan = static_cast<WORD>(::MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC));
  return BringToForeground(window) &&
         SendKeys({Key(virtual_key, scan, 0), Key(virtual_key, scan, KEYEVENTF_KEYUP)});
}

// ---- Waiting ---------------------------------------------------------------------

bool WaitUntil(const std::function<bool()>& condition, std::string_view what, Where where) {
  return WaitUntil(condition, kDefaultTimeout, what, where);
}

bool WaitUntil(const std::function<bool()>& condition, milliseconds timeout, std::string_view what,
               Where where) {
  const auto deadline = steady_clock::now() + timeout;
  for (;;) {
    // The last look comes after the deadline, so a slow poll cannot cut the
    // wait short.
    const bool past_deadline = steady_clock::now() >= deadline;
    if (condition()) return true;
    if (past_deadline) break;
    Pause();
  }
  Fail(where, "Timed out after " + std::to_string(timeout.count()) + " ms waiting for: " + std::string(what));
  return false;
}

bool HoldsFor(const std::function<bool()>& condition, milliseconds duration, std::string_view what,
              Where where) {
  const auto start = steady_clock::now();
  for (;;) {
    const bool past_deadline = steady_clock::now() >= start + duration;
    if (!condition()) {
      const auto held = std::chrono::duration_cast<milliseconds>(steady_clock::now() - start);
      Fail(where, "Stopped holding after " + std::to_string(held.count()) + " ms of " +
                      std::to_string(duration.count()) + " ms: " + std::string(what));
      return false;
    }
    if (past_deadline) return true;
    Pause();
  }
}

HWND WaitForWindow(const WindowQuery& query, std::string_view what, Where where) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindTopLevel(query)) != nullptr; }, what, where);
  return found;
}

HWND WaitForPrompt(DWORD kestrove_id, std::string_view why, Where where) {
  HWND prompt = nullptr;
  WaitUntil([&] { return (prompt = FindPrompt(kestrove_id)) != nullptr; },
            "the unlock prompt " + std::string(why), where);
  return prompt;
}

// ---- Helper windows --------------------------------------------------------------

int HelperWindow::CountInLog(std::string_view line) const {
  return CountStartingWith(std::string(line) + '\n');
}

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

// ---- Scenario base -----------------------------------------------------------------

void Scenario::SetUp() {
  for (const std::wstring_view image : kImagesToEnd) EndEvery(image);
  ASSERT_TRUE(ShowTaskbar());
  ASSERT_TRUE(DeleteKeyTree(HKEY_LOCAL_MACHINE, "Software\\KSV"));
  ASSERT_TRUE(DeleteKeyTree(HKEY_CURRENT_USER, "Software\\KSV"));
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kSettingsKey, "DontShowUpdate", "1"));
}

void Scenario::TearDown() {
  if (HasFailure()) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    Screenshot(std::string(test->test_suite_name()) + "." + test->name() + "-failure");
  }
  for (auto it = started_.rbegin(); it != started_.rend(); ++it)
    EXPECT_TRUE((*it)->End()) << "could not end process " << (*it)->Id();
  started_.clear();
  // The copies the program starts itself are no processes of this harness.
  EndEvery(kImage);
}

Process& Scenario::StartKestrove(Where where) {
  const std::string command = Quote(FromWide(BinDir() + L"\\" + std::wstring(kImage)));
  return *(kestrove_ = &Keep(StartProcess(command, BinDir()), command, where));
}

Process& Scenario::StartProgram(std::string_view command_line, Where where) {
  return Keep(StartProcess(command_line), command_line, where);
}

Process& Scenario::Keep(std::unique_ptr<Process> process, std::string_view command_line, Where where) {
  if (process == nullptr) {
    Fail(where, "could not start " + std::string(command_line) + " (error " +
                    std::to_string(::GetLastError()) + ")");
    process = std::make_unique<Process>();
  }
  started_.push_back(std::move(process));
  return *started_.back();
}

HelperWindow Scenario::StartHelperWindow(const HelperWindowOptions& options, Where where) {
  HelperWindow helper{.log_path = FreshTempFile(L"kswindow").wstring()};
  std::string command = Quote(FromWide(BinDir() + L"\\kswindow.exe"));
  command += " --class " + Quote(options.class_name) + " --title " + Quote(options.title) + " --log " +
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
  // A window shown a moment ago may not have painted yet; give it a little
  // time, then capture whatever is there.
  const auto paint_deadline = steady_clock::now() + milliseconds(2000);
  while (PaintPending() && steady_clock::now() < paint_deadline) Pause();
  std::wstring file_name = ToWide(name);
  std::replace_if(
      file_name.begin(), file_name.end(),
      [](wchar_t c) { return c < 32 || std::wcschr(L"\\/:*?\"<>|", c) != nullptr; }, L'-');
  std::error_code error;
  std::filesystem::create_directories(ScreenshotDir(), error);
  if (!SaveScreen(std::filesystem::path(ScreenshotDir()) / (file_name + L".bmp")))
    Fail(where, "could not save screenshot " + std::string(name));
}

HWND Scenario::StartToPrompt(Where where) {
  const DWORD id = StartKestrove(where).Id();
  HWND prompt = nullptr;
  const bool shown = WaitUntil(
      [&] {
        prompt = FindPrompt(id);
        return prompt != nullptr && Exists(FindConfig(id)) && !IsShown(FindConfig(id));
      },
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
  // TCM_GETITEMRECT writes through a pointer, so the rectangle goes through
  // memory inside the program's process.
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
  // The click lands on whatever is on top there: wait until that is the tabs.
  return WaitUntil([&] { return ::WindowFromPoint(centre) == tabs; }, "the tabs to be uncovered", where) &&
         ClickAt(centre, where) &&
         WaitUntil([&] { return Send(tabs, TCM_GETCURSEL) == index && IsShown(shown_control); },
                   "tab " + std::to_string(index) + " to show its page", where);
}

bool Scenario::KestroveShowsAnyWindow() const {
  return kestrove_ != nullptr && !FindWindows({.process_id = kestrove_->Id(), .visible_only = true}).empty();
}

}  // namespace e2e
