// Files, message boxes and the clock over kernel32 and user32.
#include "platform/win32/win32_system.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace platform::win32 {
namespace {

// FindFirstFile's search handles: "none" is INVALID_HANDLE_VALUE.
struct FindCloser {
  static bool IsValid(HANDLE handle) noexcept { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  void operator()(HANDLE handle) const noexcept { ::FindClose(handle); }
};
using UniqueFind = UniqueHandle<HANDLE, FindCloser>;

}  // namespace

FileKind Win32Files::Kind(std::string_view path) {
  if (path.empty()) return FileKind::kMissing;
  const DWORD attributes = ::GetFileAttributesW(ToWide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::kMissing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::kFolder : FileKind::kFile;
}

std::vector<std::string> Win32Files::FilesOf(std::string_view folder) {
  std::vector<std::string> names;
  // An empty path is no folder (a bare "*" would list the working folder).
  if (folder.empty()) return names;
  std::wstring pattern = ToWide(folder);
  if (pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW found{};
  const UniqueFind search(::FindFirstFileW(pattern.c_str(), &found));
  if (!search) return names;
  // Ordinary files only: no folders, and hidden and system files are left
  // out, as a file list with its default attributes leaves them out.
  constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  do {
    if ((found.dwFileAttributes & kNotOrdinary) == 0) names.push_back(FromWide(found.cFileName));
  } while (::FindNextFileW(search.get(), &found) != FALSE);
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return AsciiLower(a) < AsciiLower(b); });
  return names;
}

bool Win32Files::Delete(std::string_view path) {
  return ::DeleteFileW(ToWide(path).c_str()) != FALSE;
}

bool Win32Files::Rename(std::string_view from, std::string_view to) {
  return ::MoveFileExW(ToWide(from).c_str(), ToWide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH) != FALSE;
}

std::optional<std::string> Win32Files::ReadWhole(std::string_view path, std::size_t max_bytes) {
  // Shared for reading only: a file still being written or copied is not
  // read half-way.
  const UniqueFileHandle file(::CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string content;
  char buffer[65536];
  while (content.size() < max_bytes) {
    const DWORD wanted =
        static_cast<DWORD>(std::min<std::size_t>(sizeof(buffer), max_bytes - content.size()));
    DWORD read = 0;
    if (::ReadFile(file.get(), buffer, wanted, &read, nullptr) == FALSE) return std::nullopt;
    if (read == 0) break;
    content.append(buffer, read);
  }
  return content;
}

bool Win32Files::WriteWhole(std::string_view path, std::string_view content) {
  const std::wstring wide_path = ToWide(path);
  bool written = false;
  {
    const UniqueFileHandle file(::CreateFileW(wide_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    written = true;
    std::string_view rest = content;
    while (written && !rest.empty()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 1U << 20U));
      DWORD done = 0;
      written = ::WriteFile(file.get(), rest.data(), chunk, &done, nullptr) != FALSE && done == chunk;
      rest.remove_prefix(done);
    }
  }
  // A file cut short is no copy of the content.
  if (!written) ::DeleteFileW(wide_path.c_str());
  return written;
}

std::string Win32Files::TemporaryFolder() {
  wchar_t folder[MAX_PATH + 2] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 2, folder);
  if (length == 0 || length > MAX_PATH + 1) return {};
  return FromWide(std::wstring_view(folder, length));
}

int Win32Dialogs::ShowMessageBox(WindowId owner, std::string_view text, std::string_view title,
                                 std::uint32_t style) {
  return ::MessageBoxW(reinterpret_cast<HWND>(owner), ToWide(text).c_str(), ToWide(title).c_str(), style);
}

void Win32Dialogs::Beep() {
  ::MessageBeep(MB_OK);
}

LocalTime Win32Clock::Now() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::string Win32Clock::MonthName(int month) {
  if (month < 1 || month > 12) return {};
  wchar_t name[80] = {};
  const int length = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT,
                                       LOCALE_SMONTHNAME1 + static_cast<LCTYPE>(month - 1), name, 80);
  return length > 1 ? FromWide(std::wstring_view(name, static_cast<std::size_t>(length - 1))) : std::string();
}

std::string Win32Text::LowerCase(std::string_view text) {
  std::wstring wide = ToWide(text);
  if (wide.empty()) return {};
  // The invariant locale: the same folding whatever language the user runs,
  // so a password set on one computer opens the lock on another.
  const int length = static_cast<int>(wide.size());
  const int needed = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, wide.c_str(), length, nullptr, 0,
                                     nullptr, nullptr, 0);
  if (needed <= 0) return std::string(text);
  std::wstring lower(static_cast<std::size_t>(needed), L'\0');
  if (::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, wide.c_str(), length, lower.data(), needed,
                      nullptr, nullptr, 0) != needed) {
    return std::string(text);
  }
  return FromWide(lower);
}

}  // namespace platform::win32
