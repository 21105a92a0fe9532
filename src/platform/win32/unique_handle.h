// One move-only owner for every kind of Windows handle the program holds:
// windows, registry keys, icons, kernel objects, GDI objects, menus and CNG
// handles. The closer is a small type, so the owner costs one pointer.
#pragma once

#include <windows.h>
#include <bcrypt.h>

#include <utility>

namespace platform::win32 {

// Owns one handle of type Handle and releases it with Closer{}(handle).
// A handle is valid when it is not the empty value; a Closer may define
// `static bool IsValid(Handle)` when its handles have another "none" value
// (file handles use INVALID_HANDLE_VALUE).
template <typename Handle, typename Closer>
class UniqueHandle {
 public:
  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  ~UniqueHandle() { reset(); }

  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  [[nodiscard]] Handle get() const noexcept { return handle_; }
  [[nodiscard]] bool valid() const noexcept { return IsValid(handle_); }
  explicit operator bool() const noexcept { return valid(); }

  // Releases the owned handle (if any) and takes ownership of handle.
  void reset(Handle handle = Handle{}) noexcept {
    const Handle old = std::exchange(handle_, handle);
    if (IsValid(old)) Closer{}(old);
  }
  // Gives up ownership without closing.
  [[nodiscard]] Handle release() noexcept { return std::exchange(handle_, Handle{}); }
  // Releases the owned handle and returns the address to receive a new one,
  // for OS calls that return a handle through an out parameter.
  [[nodiscard]] Handle* put() noexcept {
    reset();
    return &handle_;
  }

 private:
  static bool IsValid(Handle handle) noexcept {
    if constexpr (requires { Closer::IsValid(handle); }) {
      return Closer::IsValid(handle);
    } else {
      return handle != Handle{};
    }
  }

  Handle handle_{};
};

// ---- Closers ----------------------------------------------------------------

struct WindowCloser {
  void operator()(HWND window) const noexcept { ::DestroyWindow(window); }
};
struct KeyCloser {
  void operator()(HKEY key) const noexcept { ::RegCloseKey(key); }
};
// Only for icons the program created or loaded without LR_SHARED; shared
// icons (LoadIcon, LR_SHARED) must never be destroyed.
struct IconCloser {
  void operator()(HICON icon) const noexcept { ::DestroyIcon(icon); }
};
struct MenuCloser {
  void operator()(HMENU menu) const noexcept { ::DestroyMenu(menu); }
};
// Events, mutexes, processes, threads: "none" is NULL.
struct KernelHandleCloser {
  void operator()(HANDLE handle) const noexcept { ::CloseHandle(handle); }
};
// Files opened with CreateFile: "none" is INVALID_HANDLE_VALUE (NULL too).
struct FileHandleCloser {
  static bool IsValid(HANDLE handle) noexcept { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  void operator()(HANDLE handle) const noexcept { ::CloseHandle(handle); }
};
// Fonts, brushes, pens, bitmaps.
struct GdiObjectCloser {
  void operator()(HGDIOBJ object) const noexcept { ::DeleteObject(object); }
};
// Memory device contexts from CreateCompatibleDC (not GetDC's).
struct DcCloser {
  void operator()(HDC dc) const noexcept { ::DeleteDC(dc); }
};
struct AlgorithmCloser {
  void operator()(BCRYPT_ALG_HANDLE algorithm) const noexcept {
    ::BCryptCloseAlgorithmProvider(algorithm, 0);
  }
};
struct CryptKeyCloser {
  void operator()(BCRYPT_KEY_HANDLE key) const noexcept { ::BCryptDestroyKey(key); }
};
struct HashCloser {
  void operator()(BCRYPT_HASH_HANDLE hash) const noexcept { ::BCryptDestroyHash(hash); }
};

// ---- The owners the program uses ----------------------------------------------

using UniqueWindow = UniqueHandle<HWND, WindowCloser>;
using UniqueKey = UniqueHandle<HKEY, KeyCloser>;
using UniqueIcon = UniqueHandle<HICON, IconCloser>;
using UniqueMenu = UniqueHandle<HMENU, MenuCloser>;
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelHandleCloser>;
using UniqueFileHandle = UniqueHandle<HANDLE, FileHandleCloser>;
using UniqueFont = UniqueHandle<HFONT, GdiObjectCloser>;
using UniqueBrush = UniqueHandle<HBRUSH, GdiObjectCloser>;
using UniquePen = UniqueHandle<HPEN, GdiObjectCloser>;
using UniqueBitmap = UniqueHandle<HBITMAP, GdiObjectCloser>;
using UniqueDc = UniqueHandle<HDC, DcCloser>;
using UniqueAlgorithm = UniqueHandle<BCRYPT_ALG_HANDLE, AlgorithmCloser>;
using UniqueCryptKey = UniqueHandle<BCRYPT_KEY_HANDLE, CryptKeyCloser>;
using UniqueHash = UniqueHandle<BCRYPT_HASH_HANDLE, HashCloser>;

}  // namespace platform::win32
