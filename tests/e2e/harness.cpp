// End-to-end harness over user32, gdi32, advapi32 and kernel32 (see harness.h).
#include "e2e/harness.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cwchar>
#include <utility>

#include "e2e/png_writer.h"

namespace e2e {
namespace {

using std::chrono::duration_cast;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

// How long a message to another process's window may take before it counts
// as hung.
constexpr UINT kMessageTimeoutMs = 5000;
// How long a click waits for its handler (see ClickButton).
constexpr UINT kClickTimeoutMs = 500;
// How long a screenshot waits for windows to finish painting.
constexpr milliseconds kPaintWait{2000};
// How long ending a process may take.
constexpr DWORD kEndTimeoutMs = 10000;

// Runs a clean-up when the scope ends.
template <typename F>
class ScopeExit {
 public:
  explicit ScopeExit(F f) : f_(std::move(f)) {}
  ~ScopeExit() { f_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  F f_;
};

std::wstring Environment(const wchar_t* name) {
  const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(::GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

std::wstring WithoutTrailingSlash(std::wstring path) {
  while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

// ctest hands Unix paths to the program; Wine maps them to a drive path.
std::wstring ToWindowsPath(std::wstring path) {
  if (path.empty() || path[0] != L'/') return path;
  using DosFileName = WCHAR* (*)(const char*);
  if (FARPROC proc = ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")) {
    const auto convert = reinterpret_cast<DosFileName>(reinterpret_cast<void (*)()>(proc));
    if (WCHAR* dos = convert(Narrow(path).c_str())) {
      std::wstring result = dos;
      ::HeapFree(::GetProcessHeap(), 0, dos);
      return result;
    }
  }
  // Wine maps the Unix root to drive Z: unless configured otherwise.
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return L"Z:" + path;
}

std::wstring ParentFolder(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(0, slash);
}

std::wstring FileNameOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The image file name a command line starts: its first (possibly quoted)
// token without the folder, with ".exe" added when it has no extension.
std::wstring ImageOf(std::string_view command_line) {
  const std::wstring command = Widen(command_line);
  std::wstring first;
  if (!command.empty() && command[0] == L'"') {
    first = command.substr(1, command.find(L'"', 1) - 1);
  } else {
    first = command.substr(0, command.find(L' '));
  }
  std::wstring image = FileNameOf(first);
  if (image.find(L'.') == std::wstring::npos) image += L".exe";
  return image;
}

bool SameText(std::wstring_view a, std::wstring_view b) {
  return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// "&Open && Save" -> "Open & Save", as the control shows it.
std::string WithoutAccelerators(std::string_view caption) {
  std::string shown;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    shown += caption[i];
  }
  return shown;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> windows;
  ::EnumWindows(
      [](HWND window, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> windows;
  ::EnumChildWindows(
      parent,
      [](HWND window, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

bool Matches(const WindowQuery& query, HWND window) {
  if (query.process_id != 0 && ProcessOf(window) != query.process_id) return false;
  if (query.visible_only && !IsShown(window)) return false;
  if (!query.class_name.empty() && !SameText(Widen(WindowClass(window)), Widen(query.class_name)))
    return false;
  if (!query.title.empty() || !query.title_part.empty()) {
    const std::string title = WindowTitle(window);
    if (!query.title.empty() && title != query.title) return false;
    if (!query.title_part.empty() && title.find(query.title_part) == std::string::npos) return false;
  }
  return true;
}

// Brings a window's top-level window to the foreground so that keyboard
// input reaches it; false when it did not get there in time.
bool BringToForeground(HWND window) {
  const HWND root = ::GetAncestor(window, GA_ROOT);
  if (root == nullptr) return false;
  ::SetForegroundWindow(root);
  const auto deadline = steady_clock::now() + milliseconds(2000);
  while (::GetForegroundWindow() != root) {
    if (steady_clock::now() >= deadline) return false;
    ::Sleep(static_cast<DWORD>(kPollInterval.count()));
  }
  return true;
}

bool SendInputs(std::vector<INPUT>& inputs) {
  return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

bool IsExtendedKey(WORD virtual_key) {
  switch (virtual_key) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_HOME:
    case VK_END:
    case VK_INSERT:
    case VK_DELETE:
    case VK_RCONTROL:
    case VK_RMENU:
      return true;
    default:
      return false;
  }
}

// The whole virtual screen as RGB rows, read through the screen DC.
bool CaptureScreen(int& width, int& height, std::vector<std::uint8_t>& rgb) {
  const int left = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
  width = ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
  height = ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (width <= 0 || height <= 0) return false;

  const HDC screen = ::GetDC(nullptr);
  if (screen == nullptr) return false;
  ScopeExit release_screen([&] { ::ReleaseDC(nullptr, screen); });
  const HDC memory = ::CreateCompatibleDC(screen);
  if (memory == nullptr) return false;
  ScopeExit delete_memory([&] { ::DeleteDC(memory); });

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr || bits == nullptr) return false;
  ScopeExit delete_bitmap([&] { ::DeleteObject(bitmap); });
  const HGDIOBJ previous = ::SelectObject(memory, bitmap);
  ScopeExit deselect([&] { ::SelectObject(memory, previous); });
  if (!::BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY | CAPTUREBLT)) return false;
  ::GdiFlush();

  const auto* bgrx = static_cast<const std::uint8_t*>(bits);
  const std::size_t pixels = static_cast<std::size_t>(width) * height;
  rgb.resize(pixels * 3);
  for (std::size_t i = 0; i < pixels; ++i) {
    rgb[i * 3] = bgrx[i * 4 + 2];
    rgb[i * 3 + 1] = bgrx[i * 4 + 1];
    rgb[i * 3 + 2] = bgrx[i * 4];
  }
  return true;
}

// Whether a visible window or one of its visible children still has an area
// waiting to be painted. Read from the window manager's state, so a hung
// window cannot block the test.
bool PaintPending() {
  for (HWND window : TopLevelWindows()) {
    if (!::IsWindowVisible(window)) continue;
    if (::GetUpdateRect(window, nullptr, FALSE)) return true;
    for (HWND child : ChildWindows(window)) {
      if (::IsWindowVisible(child) && ::GetUpdateRect(child, nullptr, FALSE)) return true;
    }
  }
  return false;
}

bool WriteFileBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  const HANDLE file =
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
  return ok && written == bytes.size();
}

// Under Wine without a desktop, explorer's taskbar window exists but is hidden
// (and 0 x 0), while on a real desktop it is always shown. The program shows
// the taskbar when it starts (unless told to hide it); showing a hidden window
// activates it, which would take the foreground from the window a scenario has
// just opened. So every scenario starts with the taskbar shown, as on a real
// desktop, where showing it again changes nothing.
bool ShowTaskbar(std::source_location where) {
  HWND taskbar = nullptr;
  if (!WaitUntil(
          [&] {
            taskbar = FindByClass("Shell_TrayWnd");
            return taskbar != nullptr;
          },
          "the taskbar window", where)) {
    return false;
  }
  if (!IsShown(taskbar)) ::ShowWindowAsync(taskbar, SW_SHOWNA);
  return WaitUntil([&] { return IsShown(taskbar); }, "the taskbar to be shown", where);
}

// Image names that SetUp ends: the programs scenarios start, and every other
// program a scenario of this run started.
std::vector<std::wstring>& ImagesToEnd() {
  static std::vector<std::wstring> images = {L"kstrv7.exe", L"notepad.exe", L"regedit.exe"};
  return images;
}

}  // namespace

// ---- Text ------------------------------------------------------------------

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(size, L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
  return text;
}

std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string text(size, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), text.data(), size, nullptr,
                        nullptr);
  return text;
}

// ---- Folders ---------------------------------------------------------------

std::wstring BinDir() {
  std::wstring folder = Environment(L"KS_BIN_DIR");
  if (folder.empty()) {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    folder = ParentFolder(path);
  }
  return WithoutTrailingSlash(ToWindowsPath(folder));
}

std::wstring ShotDir() {
  const std::wstring folder = Environment(L"KS_SHOT_DIR");
  if (folder.empty()) return ParentFolder(BinDir()) + L"\\screenshots";
  return WithoutTrailingSlash(ToWindowsPath(folder));
}

// ---- Registry configuration ------------------------------------------------

namespace {

bool SetValue(HKEY root, std::string_view path, std::string_view name, DWORD type, const void* data,
              DWORD size) {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(root, Widen(path).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  const LSTATUS status =
      ::RegSetValueExW(key, Widen(name).c_str(), 0, type, static_cast<const BYTE*>(data), size);
  ::RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

}  // namespace

bool SetString(HKEY root, std::string_view path, std::string_view name, std::string_view text) {
  const std::wstring data = Widen(text);
  const auto size = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));  // with the NUL
  return SetValue(root, path, name, REG_SZ, data.c_str(), size);
}

bool SetDword(HKEY root, std::string_view path, std::string_view name, DWORD value) {
  return SetValue(root, path, name, REG_DWORD, &value, sizeof(value));
}

std::optional<std::string> GetString(HKEY root, std::string_view path, std::string_view name) {
  const std::wstring key = Widen(path);
  const std::wstring value = Widen(name);
  DWORD size = 0;
  if (::RegGetValueW(root, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  if (::RegGetValueW(root, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, data.data(), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  data.resize(std::wcslen(data.c_str()));
  return Narrow(data);
}

std::optional<DWORD> GetDword(HKEY root, std::string_view path, std::string_view name) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (::RegGetValueW(root, Widen(path).c_str(), Widen(name).c_str(), RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

bool DeleteKeyTree(HKEY root, std::string_view path) {
  const std::wstring key_path = Widen(path);
  ::RegDeleteTreeW(root, key_path.c_str());
  HKEY key = nullptr;
  const LSTATUS status = ::RegOpenKeyExW(root, key_path.c_str(), 0, KEY_READ, &key);
  if (status == ERROR_SUCCESS) ::RegCloseKey(key);
  return status == ERROR_FILE_NOT_FOUND;
}

bool SetTaskList(const std::vector<std::string>& entries) {
  if (!DeleteKeyTree(HKEY_LOCAL_MACHINE, kTasksKey)) return false;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (!SetString(HKEY_LOCAL_MACHINE, kTasksKey, "Task" + std::to_string(i), entries[i])) return false;
  }
  return true;
}

// ---- Processes -------------------------------------------------------------

Process::Process(HANDLE handle, DWORD id, std::wstring image)
    : handle_(handle), id_(id), image_(std::move(image)) {}

Process::~Process() {
  End();
  if (handle_ != nullptr) ::CloseHandle(handle_);
}

bool Process::Running() const {
  return handle_ != nullptr && ::WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::WaitForExit(std::chrono::milliseconds timeout) const {
  if (handle_ == nullptr ||
      ::WaitForSingleObject(handle_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  if (!::GetExitCodeProcess(handle_, &code)) return std::nullopt;
  return code;
}

bool Process::End() {
  if (handle_ == nullptr) return true;
  if (Running()) ::TerminateProcess(handle_, 1);
  return ::WaitForSingleObject(handle_, kEndTimeoutMs) == WAIT_OBJECT_0;
}

std::unique_ptr<Process> StartProcess(std::string_view command_line, const std::wstring& folder) {
  std::wstring command = Widen(command_line);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
    return nullptr;
  }
  ::CloseHandle(info.hThread);
  return std::make_unique<Process>(info.hProcess, info.dwProcessId, ImageOf(command_line));
}

std::vector<DWORD> ProcessIdsByImage(std::wstring_view image) {
  std::vector<DWORD> ids;
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  ScopeExit close_snapshot([&] { ::CloseHandle(snapshot); });
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID != ::GetCurrentProcessId() && SameText(FileNameOf(entry.szExeFile), image)) {
      ids.push_back(entry.th32ProcessID);
    }
  }
  return ids;
}

int EndProcessesByImage(const std::vector<std::wstring>& images) {
  int ended = 0;
  for (const std::wstring& image : images) {
    for (const DWORD id : ProcessIdsByImage(image)) {
      const HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
      if (process == nullptr) continue;
      if (::TerminateProcess(process, 1) && ::WaitForSingleObject(process, kEndTimeoutMs) == WAIT_OBJECT_0)
        ++ended;
      ::CloseHandle(process);
    }
  }
  return ended;
}

// ---- Windows ---------------------------------------------------------------

std::vector<HWND> FindWindows(const WindowQuery& query) {
  std::vector<HWND> found;
  for (HWND window : TopLevelWindows()) {
    if (Matches(query, window)) found.push_back(window);
  }
  return found;
}

HWND FindTopLevel(const WindowQuery& query) {
  for (HWND window : TopLevelWindows()) {
    if (Matches(query, window)) return window;
  }
  return nullptr;
}

HWND FindByTitle(std::string_view title, DWORD process_id) {
  return FindTopLevel(WindowQuery().Titled(title).OfProcess(process_id));
}

HWND FindByTitlePart(std::string_view part, DWORD process_id) {
  return FindTopLevel(WindowQuery().TitleContains(part).OfProcess(process_id));
}

HWND FindByClass(std::string_view class_name, DWORD process_id) {
  return FindTopLevel(WindowQuery().OfClass(class_name).OfProcess(process_id));
}

std::vector<HWND> WindowsOfProcess(DWORD process_id) {
  return FindWindows(WindowQuery().OfProcess(process_id));
}

std::string WindowTitle(HWND window) {
  // GetWindowTextW reads another process's title without sending it a message,
  // so a hung window cannot stall the test.
  wchar_t title[1024] = {};
  const int length = ::GetWindowTextW(window, title, static_cast<int>(std::size(title)));
  return Narrow(std::wstring_view(title, length > 0 ? length : 0));
}

std::string WindowClass(HWND window) {
  wchar_t name[256] = {};
  const int length = ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return Narrow(std::wstring_view(name, length > 0 ? length : 0));
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

DWORD ProcessOf(HWND window) {
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(window, &process_id);
  return process_id;
}

std::string Describe(HWND window) {
  if (window == nullptr) return "none";
  if (!Exists(window)) return "gone";
  // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "[" + text.
  std::string text(1, '[');
  text += WindowClass(window);
  text += "] \"";
  text += WindowTitle(window);
  text += IsShown(window) ? "\" visible" : "\" hidden";
  return text;
}

HWND FindChild(HWND parent, std::string_view class_name, std::string_view caption) {
  for (HWND child : ChildWindows(parent)) {
    if (!class_name.empty() && !SameText(Widen(WindowClass(child)), Widen(class_name))) continue;
    if (!caption.empty()) {
      const std::string text = ControlText(child);
      if (text != caption && WithoutAccelerators(text) != caption) continue;
    }
    return child;
  }
  return nullptr;
}

HWND FindChildById(HWND parent, int control_id) {
  for (HWND child : ChildWindows(parent)) {
    if (::GetDlgCtrlID(child) == control_id) return child;
  }
  return nullptr;
}

// ---- Driving ---------------------------------------------------------------

std::string ControlText(HWND control) {
  // WM_GETTEXT rather than GetWindowTextW: an edit control of another process
  // keeps its text to itself, only the message reads it.
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length)) {
    return {};
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied)) {
    return {};
  }
  text.resize(std::min<std::size_t>(copied, length));
  return Narrow(text);
}

bool SetControlText(HWND control, std::string_view text) {
  const std::wstring data = Widen(text);
  DWORD_PTR result = 0;
  return ::SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(data.c_str()),
                               SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result) != 0 &&
         result != FALSE;
}

bool SetChildText(HWND parent, int control_id, std::string_view text) {
  const HWND child = FindChildById(parent, control_id);
  return child != nullptr && SetControlText(child, text);
}

bool SetChildTextByClass(HWND parent, std::string_view class_name, std::string_view text) {
  const HWND child = FindChild(parent, class_name);
  return child != nullptr && SetControlText(child, text);
}

std::string ChildText(HWND parent, int control_id) {
  const HWND child = FindChildById(parent, control_id);
  return child != nullptr ? ControlText(child) : std::string();
}

bool ClickControl(HWND button) {
  if (!Exists(button)) return false;
  DWORD_PTR result = 0;
  if (::SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kClickTimeoutMs, &result)) return true;
  // Still handling the click (a modal window it opened runs inside the
  // handler): the click was delivered.
  return ::GetLastError() == ERROR_TIMEOUT;
}

bool ClickButton(HWND parent, std::string_view caption) {
  return ClickControl(FindChild(parent, "Button", caption));
}

bool ClickButton(HWND parent, int control_id) {
  return ClickControl(FindChildById(parent, control_id));
}

bool PostClose(HWND window) {
  return Exists(window) && ::PostMessageW(window, WM_CLOSE, 0, 0);
}

bool PostKey(HWND window, WORD virtual_key) {
  const UINT scan = ::MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC);
  const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
  const LPARAM up = down | (LPARAM{1} << 30) | (LPARAM{1} << 31);
  return ::PostMessageW(window, WM_KEYDOWN, virtual_key, down) &&
         ::PostMessageW(window, WM_KEYUP, virtual_key, up);
}

bool PostChars(HWND window, std::string_view text) {
  for (wchar_t unit : Widen(text)) {
    if (!::PostMessageW(window, WM_CHAR, unit, 1)) return false;
  }
  return true;
}

bool PressKeys(HWND window, std::initializer_list<WORD> chord) {
  if (!BringToForeground(window)) return false;
  std::vector<INPUT> inputs;
  for (WORD key : chord) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = IsExtendedKey(key) ? KEYEVENTF_EXTENDEDKEY : 0;
    inputs.push_back(input);
  }
  for (auto it = std::rbegin(chord); it != std::rend(chord); ++it) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = *it;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(*it, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = KEYEVENTF_KEYUP | (IsExtendedKey(*it) ? KEYEVENTF_EXTENDEDKEY : 0);
    inputs.push_back(input);
  }
  return SendInputs(inputs);
}

bool TypeText(HWND window, std::string_view text) {
  if (!BringToForeground(window)) return false;
  std::vector<INPUT> inputs;
  for (wchar_t unit : Widen(text)) {
    for (DWORD flags : {DWORD{KEYEVENTF_UNICODE}, DWORD{KEYEVENTF_UNICODE | KEYEVENTF_KEYUP}}) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wScan = unit;
      input.ki.dwFlags = flags;
      inputs.push_back(input);
    }
  }
  return inputs.empty() || SendInputs(inputs);
}

// ---- Waiting ---------------------------------------------------------------

bool WaitUntil(const std::function<bool()>& condition, std::string_view what, std::source_location where) {
  return WaitUntil(condition, kDefaultTimeout, what, where);
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
               std::string_view what, std::source_location where) {
  const auto deadline = steady_clock::now() + timeout;
  for (;;) {
    // The last look comes after the deadline, so a slow poll cannot cut the
    // wait short.
    const bool past_deadline = steady_clock::now() >= deadline;
    if (condition()) return true;
    if (past_deadline) break;
    ::Sleep(static_cast<DWORD>(kPollInterval.count()));
  }
  ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line()))
      << "Timed out after " << timeout.count() << " ms waiting for: " << what;
  return false;
}

bool HoldsFor(const std::function<bool()>& condition, std::chrono::milliseconds duration,
              std::string_view what, std::source_location where) {
  const auto start = steady_clock::now();
  const auto deadline = start + duration;
  for (;;) {
    const bool past_deadline = steady_clock::now() >= deadline;
    if (!condition()) {
      ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line()))
          << "Stopped holding after " << duration_cast<milliseconds>(steady_clock::now() - start).count()
          << " ms of " << duration.count() << " ms: " << what;
      return false;
    }
    if (past_deadline) return true;
    ::Sleep(static_cast<DWORD>(kPollInterval.count()));
  }
}

HWND WaitForWindow(const WindowQuery& query, std::string_view what, std::chrono::milliseconds timeout,
                   std::source_location where) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        found = FindTopLevel(query);
        return found != nullptr;
      },
      timeout, what, where);
  return found;
}

// ---- Screenshots -----------------------------------------------------------

std::wstring SaveScreenshot(std::string_view name) {
  // A window shown a moment ago may not have painted yet; give it a little
  // time, then capture whatever is there.
  const auto paint_deadline = steady_clock::now() + kPaintWait;
  while (PaintPending() && steady_clock::now() < paint_deadline) {
    ::Sleep(static_cast<DWORD>(kPollInterval.count()));
  }
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
  if (!CaptureScreen(width, height, rgb)) return {};

  const std::wstring folder = ShotDir();
  const int created = ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  if (created != ERROR_SUCCESS && created != ERROR_ALREADY_EXISTS) return {};
  std::wstring file_name = Widen(name);
  for (wchar_t& c : file_name) {
    if (c < 32 || std::wcschr(L"\\/:*?\"<>|", c) != nullptr) c = L'-';
  }
  const std::wstring path = folder + L"\\" + file_name + L".png";
  return WriteFileBytes(path, EncodePng(width, height, rgb)) ? path : std::wstring();
}

// ---- Helper windows --------------------------------------------------------

namespace {

// One command-line argument, quoted as the C runtime splits it again:
// backslashes before a quote are doubled, a quote is escaped.
std::string QuoteArgument(std::string_view argument) {
  std::string quoted(1, '"');
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  quoted += '"';
  return quoted;
}

// A log path of its own for every helper window of this run.
std::wstring NextHelperLogPath() {
  static int count = 0;
  wchar_t temp[MAX_PATH] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH, temp);
  return WithoutTrailingSlash(std::wstring(temp, length)) + L"\\kswindow-" +
         std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++count) + L".log";
}

}  // namespace

std::vector<std::string> HelperWindow::LogLines() const {
  return ReadLines(log_path);
}

int HelperWindow::CountInLog(std::string_view line) const {
  const std::vector<std::string> lines = LogLines();
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

int HelperWindow::CountStartingWith(std::string_view prefix) const {
  const std::vector<std::string> lines = LogLines();
  return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
    return std::string_view(line).substr(0, prefix.size()) == prefix;
  }));
}

std::string HelperWindowCommand(const HelperWindowOptions& options, const std::wstring& log_path) {
  std::string command = QuoteArgument(Narrow(BinDir() + L"\\kswindow.exe"));
  command += " --class ";
  command += QuoteArgument(options.class_name);
  command += " --title ";
  command += QuoteArgument(options.title);
  if (options.refuse_close) command += " --refuse-close";
  if (options.background) command += " --background";
  if (options.hang) command += " --hang";
  if (!log_path.empty()) {
    command += " --log ";
    command += QuoteArgument(Narrow(log_path));
  }
  return command;
}

std::vector<std::string> ReadLines(const std::wstring& path) {
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  ScopeExit close_file([&] { ::CloseHandle(file); });
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) text.append(buffer, read);

  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// ---- Scenario fixture ------------------------------------------------------

void Scenario::SetUp() {
  EndProcessesByImage(ImagesToEnd());
  ASSERT_TRUE(ShowTaskbar(std::source_location::current()));
  ASSERT_TRUE(DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductKey)) << "could not clear HKLM\\Software\\KSV";
  ASSERT_TRUE(DeleteKeyTree(HKEY_CURRENT_USER, kProductKey)) << "could not clear HKCU\\Software\\KSV";
}

void Scenario::TearDown() {
  if (HasFailure()) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    SaveScreenshot(std::string(test->test_suite_name()) + "." + test->name() + "-failure");
  }
  for (auto it = started_.rbegin(); it != started_.rend(); ++it) {
    EXPECT_TRUE((*it)->End()) << "could not end " << Narrow((*it)->Image());
  }
  started_.clear();
}

Process& Scenario::StartKestrove(std::string_view arguments, std::source_location where) {
  const std::wstring folder = BinDir();
  const std::wstring program = folder + L"\\kstrv7.exe";
  if (::GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES) {
    ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line())) << "no program at " << Narrow(program);
    started_.push_back(std::make_unique<Process>());
    return *started_.back();
  }
  // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "\"" + text.
  std::string command(1, '"');
  command += Narrow(program);
  command += '"';
  if (!arguments.empty()) {
    command += ' ';
    command += arguments;
  }
  return Keep(StartProcess(command, folder), command, where);
}

Process& Scenario::StartProgram(std::string_view command_line, std::source_location where) {
  return Keep(StartProcess(command_line), command_line, where);
}

Process& Scenario::Keep(std::unique_ptr<Process> process, std::string_view command_line,
                        std::source_location where) {
  const DWORD error = ::GetLastError();
  if (process == nullptr) {
    ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line()))
        << "could not start " << command_line << " (error " << error << ")";
    process = std::make_unique<Process>();
  } else {
    auto& images = ImagesToEnd();
    if (std::none_of(images.begin(), images.end(),
                     [&](const std::wstring& image) { return SameText(image, process->Image()); })) {
      images.push_back(process->Image());
    }
  }
  started_.push_back(std::move(process));
  return *started_.back();
}

void Scenario::Screenshot(std::string_view name, std::source_location where) {
  if (SaveScreenshot(name).empty()) {
    ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line()))
        << "could not save screenshot " << name << " into " << Narrow(ShotDir());
  }
}

HelperWindow Scenario::StartHelperWindow(const HelperWindowOptions& options, std::source_location where) {
  HelperWindow helper;
  helper.log_path = NextHelperLogPath();
  ::DeleteFileW(helper.log_path.c_str());
  const std::string command = HelperWindowCommand(options, helper.log_path);
  helper.process = &Keep(StartProcess(command), command, where);
  return helper;
}

}  // namespace e2e
