// Files read and written as streams over kernel32: a shared sequential
// reader, and a new file beside its destination that is marked for deletion
// from its creation until it is renamed into place without replacing.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_system.h"

namespace platform::win32 {
namespace {

// Each read or write call moves at most this much (ReadFile and WriteFile
// take 32-bit counts).
constexpr std::size_t kMaxTransfer = 1U << 30;

class Win32FileReader : public FileReader {
 public:
  Win32FileReader(UniqueFileHandle file, std::uint64_t size) : file_(std::move(file)), size_(size) {}

  [[nodiscard]] std::uint64_t Size() const override { return size_; }

  std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) override {
    DWORD got = 0;
    const DWORD wanted = static_cast<DWORD>(std::min(buffer.size(), kMaxTransfer));
    if (::ReadFile(file_.get(), buffer.data(), wanted, &got, nullptr) == FALSE) return std::nullopt;
    return got;
  }

 private:
  UniqueFileHandle file_;
  std::uint64_t size_;
};

// The folder part of a path with its trailing separator, "" for a bare name.
std::wstring FolderOf(const std::wstring& path) {
  const std::size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

std::wstring Hex8(std::uint32_t value) {
  static constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring text(8, L'0');
  for (std::size_t i = text.size(); i-- > 0; value >>= 4) text[i] = kDigits[value & 0xF];
  return text;
}

bool SetDeleteOnClose(HANDLE file, bool remove) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = remove ? TRUE : FALSE;
  return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof(disposition)) != FALSE;
}

class Win32FileWriter : public FileWriter {
 public:
  Win32FileWriter(UniqueFileHandle file, std::wstring path, std::wstring destination, bool marked)
      : file_(std::move(file)),
        path_(std::move(path)),
        destination_(std::move(destination)),
        marked_(marked) {}

  ~Win32FileWriter() override { Discard(); }
  Win32FileWriter(const Win32FileWriter&) = delete;
  Win32FileWriter& operator=(const Win32FileWriter&) = delete;
  Win32FileWriter(Win32FileWriter&&) = delete;
  Win32FileWriter& operator=(Win32FileWriter&&) = delete;

  bool Write(std::span<const std::uint8_t> bytes) override {
    while (!bytes.empty()) {
      DWORD wrote = 0;
      const DWORD chunk = static_cast<DWORD>(std::min(bytes.size(), kMaxTransfer));
      if (!file_ || ::WriteFile(file_.get(), bytes.data(), chunk, &wrote, nullptr) == FALSE || wrote == 0)
        return false;
      bytes = bytes.subspan(wrote);
    }
    return true;
  }

  Committed Commit() override {
    if (!file_ || ::FlushFileBuffers(file_.get()) == FALSE) return Committed::kFailed;
    if (marked_ && !SetDeleteOnClose(file_.get(), false)) return Committed::kFailed;
    const Committed renamed = RenameByHandle();
    if (renamed != Committed::kFailed || !rename_unsupported_) {
      if (renamed != Committed::kDone && marked_) SetDeleteOnClose(file_.get(), true);
      if (renamed == Committed::kDone) {
        committed_ = true;
        file_.reset();
      }
      return renamed;
    }
    // The file system cannot rename an open file: close it and move it by
    // name. For this short stretch a kill would leave the finished file under
    // its temporary name.
    file_.reset();
    if (::MoveFileExW(path_.c_str(), destination_.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE) {
      committed_ = true;
      return Committed::kDone;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? Committed::kDestinationExists
                                                                       : Committed::kFailed;
  }

 private:
  // Renames the open file in place: atomic, and never replacing.
  Committed RenameByHandle() {
    wchar_t full[MAX_PATH * 4];
    const DWORD length =
        ::GetFullPathNameW(destination_.c_str(), static_cast<DWORD>(std::size(full)), full, nullptr);
    if (length == 0 || length >= std::size(full)) return Committed::kFailed;
    // The rename takes the destination as a system path.
    const std::wstring target = std::wstring(L"\\??\\") + full;
    const std::size_t bytes = sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t);
    std::vector<std::uint8_t> buffer(bytes, 0);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::copy(target.begin(), target.end(), info->FileName);
    if (::SetFileInformationByHandle(file_.get(), FileRenameInfo, info, static_cast<DWORD>(bytes)) != FALSE)
      return Committed::kDone;
    const DWORD error = ::GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return Committed::kDestinationExists;
    rename_unsupported_ = error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED ||
                          error == ERROR_INVALID_FUNCTION || error == ERROR_CALL_NOT_IMPLEMENTED;
    return Committed::kFailed;
  }

  void Discard() {
    if (committed_) return;
    // A marked file goes when its handle closes; an unmarked one by name.
    const bool marked = marked_ && file_;
    file_.reset();
    if (!marked) ::DeleteFileW(path_.c_str());
  }

  UniqueFileHandle file_;
  std::wstring path_;
  std::wstring destination_;
  bool marked_;
  bool committed_ = false;
  bool rename_unsupported_ = false;
};

}  // namespace

std::unique_ptr<FileReader> Win32Files::OpenForReading(std::string_view path) {
  if (path.empty()) return nullptr;
  // Shared with every other reader and writer, so a document open in its
  // program can still be encrypted; a change while reading shows up as a
  // size that no longer matches.
  UniqueFileHandle file(::CreateFileW(
      ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return nullptr;
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileInformationByHandle(file.get(), &info) == FALSE ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return nullptr;
  }
  const std::uint64_t size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return std::make_unique<Win32FileReader>(std::move(file), size);
}

std::unique_ptr<FileWriter> Win32Files::CreateBeside(std::string_view destination) {
  if (destination.empty()) return nullptr;
  const std::wstring target = ToWide(destination);
  const std::wstring folder = FolderOf(target);
  // A short name of its own in the destination's folder: "~ks" and eight
  // hex digits, created new so it never takes over another file.
  const std::uint32_t seed = static_cast<std::uint32_t>(::GetTickCount64()) ^
                             (::GetCurrentProcessId() << 16) ^
                             static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&target));
  for (std::uint32_t attempt = 0; attempt < 64; ++attempt) {
    std::wstring path = folder + L"~ks" + Hex8(seed + attempt * 2654435761U) + L".tmp";
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
      if (::GetLastError() == ERROR_FILE_EXISTS) continue;
      return nullptr;
    }
    const bool marked = SetDeleteOnClose(file.get(), true);
    return std::make_unique<Win32FileWriter>(std::move(file), std::move(path), target, marked);
  }
  return nullptr;
}

}  // namespace platform::win32
