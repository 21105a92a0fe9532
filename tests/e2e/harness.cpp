// End-to-end harness over user32, gdi32, advapi32, shell32 and kernel32 (see
// harness.h), and the test program's entry point.
#include "e2e/harness.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/win32/wide_text.h"

namespace e2e {
namespace {

using platform::win32::FromWide;
using platform::win32::ToWide;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

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

std::string ClassOf(HWND window) {
  wchar_t name[256] = {};
  ::GetClassNameW(window, name, 256);
  return FromWide(name);
}

bool HasClass(HWND window, std::string_view class_name) {
  return class_name.empty() || ::_wcsicmp(ToWide(ClassOf(window)).c_str(), ToWide(class_name).c_str()) == 0;
}

DWORD ProcessOf(HWND window) {
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(window, &process_id);
  return process_id;
}

// The one polling loop: whether done() held at a look within the duration.
// The last look comes after the deadline, so a slow look cannot cut it short.
bool PollUntil(milliseconds duration, const std::function<bool()>& done) {
  const auto deadline = steady_clock::now() + duration;
  for (;;) {
    const bool past_deadline = steady_clock::now() >= deadline;
    if (done()) return true;
    if (past_deadline) return false;
    ::Sleep(50);
  }
}

void Fail(Where where, const std::string& message) {
  ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line())) << message;
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
         WaitUntil([&] { return ::GetForegroundWindow() == root; }, "the window to type into in front") &&
         ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

bool DeleteKeyTree(HKEY root, std::string_view path) {
  const LSTATUS status = ::RegDeleteTreeW(root, ToWide(path).c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

// As Windows starts what a user opens: through the shell, in the program's
// folder when it is given with one; nullptr on failure.
std::unique_ptr<Process> Open(const std::wstring& program, const std::wstring& parameters) {
  const std::wstring folder = std::filesystem::path(program).parent_path().wstring();
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpFile = program.c_str();
  info.lpParameters = parameters.c_str();
  info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&info) || info.hProcess == nullptr) return nullptr;
  return std::make_unique<Process>(::GetProcessId(info.hProcess), info.hProcess);
}

void EndEvery(std::wstring_view image) {
  for (const DWORD id : ProcessIdsByImage(image))
    Process(id, ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, id)).End();
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

std::optional<DWORD> Process::WaitForExit(milliseconds timeout) const {
  DWORD code = 0;
  if (!handle_ ||
      ::WaitForSingleObject(handle_.get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0 ||
      !::GetExitCodeProcess(handle_.get(), &code))
    return std::nullopt;
  return code;
}

bool Process::End() {
  if (Running()) ::TerminateProcess(handle_.get(), 1);
  return WaitForExit().has_value() || !handle_;
}

std::vector<DWORD> ProcessIdsByImage(std::wstring_view image) {
  std::vector<DWORD> ids;
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID != ::GetCurrentProcessId() &&
        ::_wcsicmp(std::filesystem::path(entry.szExeFile).filename().c_str(), std::wstring(image).c_str()) ==
            0)
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

HWND FirstWindow(const WindowQuery& query) {
  const std::vector<HWND> found = FindWindows(query);
  return found.empty() ? nullptr : found.front();
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

std::string WindowTitle(HWND window) {
  wchar_t title[1024] = {};
  ::GetWindowTextW(window, title, 1024);
  return FromWide(title);
}

bool IsShown(HWND window) {
  return window != nullptr && ::IsWindow(window) && ::IsWindowVisible(window);
}

std::string Describe(HWND window) {
  if (window == nullptr || !::IsWindow(window)) return window == nullptr ? "none" : "gone";
  return "[" + ClassOf(window) + "] \"" + WindowTitle(window) +
         (IsShown(window) ? "\" visible" : "\" hidden");
}

// ---- Driving and waiting -----------------------------------------------------------

std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR result = 0;  // hung after five seconds
  if (!::SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, 5000, &result))
    return std::nullopt;
  return static_cast<LRESULT>(result);
}

std::optional<LRESULT> SendWithData(HWND window, UINT message, WPARAM wparam, void* data, std::size_t size) {
  const HANDLE process =
      ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, ProcessOf(window));
  void* remote = ::VirtualAllocEx(process, nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  std::optional<LRESULT> result;
  if (remote != nullptr && ::WriteProcessMemory(process, remote, data, size, nullptr))
    result = Send(window, message, wparam, reinterpret_cast<LPARAM>(remote));
  if (result && !::ReadProcessMemory(process, remote, data, size, nullptr)) result.reset();
  ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  ::CloseHandle(process);
  return result;
}

std::string ControlText(HWND control) {
  std::wstring text(static_cast<std::size_t>(Send(control, WM_GETTEXTLENGTH).value_or(0)) + 1, L'\0');
  const auto copied = Send(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(std::min<std::size_t>(static_cast<std::size_t>(copied.value_or(0)), text.size() - 1));
  return FromWide(text);
}

bool Click(HWND button) {
  DWORD_PTR result = 0;
  // A timeout means the click is still being handled: it was delivered.
  return ::IsWindow(button) &&
         (::SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 500, &result) ||
          ::GetLastError() == ERROR_TIMEOUT);
}

bool ClickButton(HWND parent, std::string_view caption) {
  return Click(FindChild(parent, "Button", caption));
}

bool ClickAt(POINT point, Where where) {
  INPUT clicks[2] = {};
  clicks[0].type = clicks[1].type = INPUT_MOUSE;
  clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  POINT cursor{};
  return ::SetCursorPos(point.x, point.y) &&
         WaitUntil([&] { return ::GetCursorPos(&cursor) && cursor.x == point.x && cursor.y == point.y; },
                   "the mouse pointer to arrive", kDefaultTimeout, where) &&
         ::SendInput(2, clicks, sizeof(INPUT)) == 2;
}

bool TypeText(HWND window, std::string_view text) {
  std::vector<std::pair<WORD, WORD>> keys;
  for (const wchar_t unit : ToWide(text)) keys.emplace_back(0, unit);
  return SendKeys(window, keys, KEYEVENTF_UNICODE);
}

bool PressKey(HWND window, WORD virtual_key) {
  return SendKeys(window, {{virtual_key, ::MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC)}}, 0);
}

bool WaitUntil(const std::function<bool()>& condition, std::string_view what, milliseconds timeout,
               Where where) {
  if (PollUntil(timeout, condition)) return true;
  Fail(where, "Timed out after " + std::to_string(timeout.count()) + " ms waiting for: " + std::string(what));
  return false;
}

bool HoldsFor(const std::function<bool()>& condition, milliseconds duration, std::string_view what,
              Where where) {
  if (!PollUntil(duration, [&] { return !condition(); })) return true;
  Fail(where, "Stopped holding within " + std::to_string(duration.count()) + " ms: " + std::string(what));
  return false;
}

HWND WaitForWindow(const WindowQuery& query, std::string_view what, Where where) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FirstWindow(query)) != nullptr; }, what, kDefaultTimeout, where);
  return found;
}

// ---- Helper windows and the scenario base ------------------------------------------

int HelperWindow::CountInLog(std::string_view prefix) const {
  // Read while kswindow.exe may still be writing it.
  std::ifstream file(std::filesystem::path(log_path), std::ios::binary);
  int count = 0;
  for (std::string line; std::getline(file, line);) count += line.starts_with(prefix) ? 1 : 0;
  return count;
}

void Scenario::SetUp() {
  for (const std::wstring_view image : kImagesToEnd) EndEvery(image);
  // Under Wine without a desktop the taskbar exists but is hidden. The
  // program shows it when it starts, and showing a hidden window activates
  // it, which would take the foreground from the window a scenario opened.
  ASSERT_TRUE(WaitUntil(
      [] {
        const HWND taskbar = FirstWindow({.class_name = "Shell_TrayWnd"});
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
    Screenshot(std::string(test->test_suite_name()) + "." + test->name() + "-failure");
  }
  for (auto it = started_.rbegin(); it != started_.rend(); ++it)
    EXPECT_TRUE((*it)->End()) << "could not end process " << (*it)->Id();
  started_.clear();
  EndEvery(kImage);  // the copies the program started itself
}

Process& Scenario::Keep(std::unique_ptr<Process> process, std::string_view what, Where where) {
  if (process == nullptr)
    Fail(where, "could not start " + std::string(what) + " (error " + std::to_string(::GetLastError()) + ")");
  started_.push_back(process != nullptr ? std::move(process) : std::make_unique<Process>());
  return *started_.back();
}

Process& Scenario::StartProgram(const std::wstring& program, const std::string& parameters, Where where) {
  return Keep(Open(program, ToWide(parameters)), FromWide(program) + " " + parameters, where);
}

Process& Scenario::StartKestrove(const std::wstring& program, Where where) {
  Process& started =
      StartProgram(program.empty() ? BinDir() + L"\\" + std::wstring(kImage) : program, {}, where);
  if (kestrove_ == nullptr || !kestrove_->Running()) kestrove_ = &started;
  return started;
}

Process& Scenario::Adopt(DWORD process_id, Where where) {
  const HANDLE handle =
      ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, process_id);
  return *(kestrove_ = &Keep(handle != nullptr ? std::make_unique<Process>(process_id, handle) : nullptr,
                             "process " + std::to_string(process_id), where));
}

HelperWindow Scenario::StartHelperWindow(const HelperWindowOptions& options, Where where) {
  // A new empty file: a log of an earlier run can have the same process id.
  wchar_t folder[MAX_PATH] = {}, log[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, folder);
  ::GetTempFileNameW(folder, L"ksw", 0, log);
  HelperWindow helper{.log_path = log};
  // None of them holds a quote or ends with a backslash.
  std::string arguments = "--class \"" + options.class_name + "\" --title \"" + options.title +
                          "\" --log \"" + FromWide(helper.log_path) + "\"";
  if (options.background) arguments += " --background";
  if (options.hang) arguments += " --hang";
  helper.process = &StartProgram(BinDir() + L"\\kswindow.exe", arguments, where);
  // Hidden or not by now: a lock may have caught it already.
  helper.window = WaitForWindow({.class_name = options.class_name, .process_id = helper.process->Id()},
                                "the window \"" + options.title + "\"", where);
  WaitUntil([&] { return helper.CountInLog("WM_SHOWWINDOW 1") == 1; }, "the helper window's log of its show",
            kDefaultTimeout, where);
  return helper;
}

void Scenario::Screenshot(std::string_view name, Where where) {
  // A window shown a moment ago may not have painted yet. The update regions
  // are the window manager's, so a hung window cannot block this.
  PollUntil(milliseconds(2000), [] {
    const std::vector<HWND> all = Windows(::GetDesktopWindow());
    return std::none_of(all.begin(), all.end(), [](HWND window) {
      return IsShown(window) && ::GetUpdateRect(window, nullptr, FALSE);
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
  const wchar_t* folder = ::_wgetenv(L"KS_SHOT_DIR");  // set by ctest
  const std::filesystem::path dir = ToWindowsPath(folder != nullptr ? folder : L"screenshots");
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

HWND Scenario::Config() const {
  return kestrove_ != nullptr ? FirstWindow({.title = kConfigTitle, .process_id = kestrove_->Id()}) : nullptr;
}

HWND Scenario::Prompt() const {
  return kestrove_ != nullptr
             ? FirstWindow({.title = kPromptTitle, .process_id = kestrove_->Id(), .visible_only = true})
             : nullptr;
}

bool Scenario::KestroveShowsAnyWindow() const {
  return kestrove_ != nullptr && !FindWindows({.process_id = kestrove_->Id(), .visible_only = true}).empty();
}

bool Scenario::AnswerPrompt(HWND prompt, std::string_view password) {
  const std::wstring text = ToWide(password);
  return Send(FindChild(prompt, "Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())).value_or(0) &&
         ClickButton(prompt, "OK");
}

HWND Scenario::WaitForPrompt(std::string_view why, Where where) {
  HWND prompt = nullptr;
  WaitUntil([&] { return (prompt = Prompt()) != nullptr; }, "the unlock prompt " + std::string(why),
            kDefaultTimeout, where);
  return prompt;
}

HWND Scenario::StartToMainWindow(const std::wstring& program, Where where) {
  kestrove_ = &StartKestrove(program, where);
  HWND prompt = nullptr;
  if (!WaitUntil([&] { return (prompt = Prompt()) && Config() != nullptr && !IsShown(Config()); },
                 "the unlock prompt with the configuration window hidden behind it", kDefaultTimeout,
                 where) ||
      !AnswerPrompt(prompt, kDefaultPassword))
    return nullptr;
  const bool shown = WaitUntil([&] { return IsShown(Config()) && Prompt() == nullptr; },
                               "the configuration window in place of the prompt", kDefaultTimeout, where);
  return shown ? Config() : nullptr;
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
