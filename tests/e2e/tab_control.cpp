// Driving another process's tab control from outside.
#include "e2e/tab_control.h"

#include <windows.h>
#include <commctrl.h>

#include <array>

#include "e2e/harness.h"

namespace e2e {
namespace {

// ---- Another process's memory --------------------------------------------------

// A block of memory inside another process: tab control messages take
// pointers, and Windows copies none of them across processes.
class RemoteBlock {
 public:
  RemoteBlock(DWORD process_id, std::size_t size)
      : process_(
            ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process_id)) {
    if (process_ != nullptr) {
      address_ = ::VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
  }
  ~RemoteBlock() {
    if (address_ != nullptr) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_ != nullptr) ::CloseHandle(process_);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

  bool Valid() const { return address_ != nullptr; }
  // The address at offset bytes, as the other process sees it.
  void* At(std::size_t offset) const { return static_cast<char*>(address_) + offset; }
  bool Write(const void* data, std::size_t size, std::size_t offset = 0) const {
    SIZE_T written = 0;
    return ::WriteProcessMemory(process_, At(offset), data, size, &written) && written == size;
  }
  bool Read(void* data, std::size_t size, std::size_t offset = 0) const {
    SIZE_T read = 0;
    return ::ReadProcessMemory(process_, At(offset), data, size, &read) && read == size;
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
};

}  // namespace

std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  constexpr UINT kTimeoutMs = 5000;
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kTimeoutMs, &result)) {
    return std::nullopt;
  }
  return static_cast<LRESULT>(result);
}

// ---- Tab control ---------------------------------------------------------------

std::vector<std::string> TabCaptions(HWND tabs) {
  std::vector<std::string> captions;
  const auto count = Send(tabs, TCM_GETITEMCOUNT, 0, 0);
  if (!count) return captions;
  constexpr int kChars = 256;
  RemoteBlock block(ProcessOf(tabs), sizeof(TCITEMW) + kChars * sizeof(wchar_t));
  if (!block.Valid()) return captions;
  for (int i = 0; i < *count; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = static_cast<wchar_t*>(block.At(sizeof(TCITEMW)));
    item.cchTextMax = kChars;
    wchar_t text[kChars] = {};
    if (!block.Write(&item, sizeof(item)) || !block.Write(text, sizeof(text), sizeof(TCITEMW)) ||
        Send(tabs, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(block.At(0))).value_or(0) == 0 ||
        !block.Read(text, sizeof(text), sizeof(TCITEMW))) {
      captions.push_back("?");
      continue;
    }
    text[kChars - 1] = L'\0';
    captions.push_back(Narrow(text));
  }
  return captions;
}

int FindTab(HWND tabs, std::string_view caption) {
  const std::vector<std::string> captions = TabCaptions(tabs);
  for (std::size_t i = 0; i < captions.size(); ++i) {
    if (captions[i] == caption) return static_cast<int>(i);
  }
  return -1;
}

int SelectedTab(HWND tabs) {
  return static_cast<int>(Send(tabs, TCM_GETCURSEL, 0, 0).value_or(-1));
}

std::optional<POINT> TabCentre(HWND tabs, int index) {
  RemoteBlock block(ProcessOf(tabs), sizeof(RECT));
  RECT rect{};
  if (!block.Valid() ||
      Send(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(block.At(0))).value_or(0) == 0 ||
      !block.Read(&rect, sizeof(rect))) {
    return std::nullopt;
  }
  POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  if (!::ClientToScreen(tabs, &centre)) return std::nullopt;
  return centre;
}

bool ClickAt(POINT point, std::source_location where) {
  const int width = ::GetSystemMetrics(SM_CXSCREEN);
  const int height = ::GetSystemMetrics(SM_CYSCREEN);
  if (width <= 1 || height <= 1) return false;
  INPUT move{};
  move.type = INPUT_MOUSE;
  // Absolute positions run from 0 to 65535 across the primary screen.
  move.mi.dx = ::MulDiv(point.x, 65535, width - 1);
  move.mi.dy = ::MulDiv(point.y, 65535, height - 1);
  move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  if (::SendInput(1, &move, sizeof(INPUT)) != 1) return false;
  if (!WaitUntil(
          [&] {
            POINT cursor{};
            return ::GetCursorPos(&cursor) && cursor.x == point.x && cursor.y == point.y;
          },
          "the mouse pointer to arrive", where)) {
    return false;
  }
  std::array<INPUT, 2> click{};
  for (INPUT& input : click) input.type = INPUT_MOUSE;
  click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  return ::SendInput(static_cast<UINT>(click.size()), click.data(), sizeof(INPUT)) == click.size();
}

}  // namespace e2e
