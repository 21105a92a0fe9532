// Small helpers that the form renderer's windows share (see the header).
#include "ui/win32/renderer_support.h"

#include <algorithm>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_constants.h"

namespace ui::win32 {

using platform::win32::FromWide;
using platform::win32::ToWide;

COLORREF ToColorRef(std::uint32_t rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

namespace {
thread_local bool reading_own_text = false;
}  // namespace

bool ReadingOwnText() {
  return reading_own_text;
}

std::string TextOf(HWND hwnd) {
  reading_own_text = true;
  struct Done {
    ~Done() { reading_own_text = false; }
  } done;
  const int length = ::GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return FromWide(text);
}

void SetText(HWND hwnd, const std::string& text) {
  ::SetWindowTextW(hwnd, ToWide(text).c_str());
}

HICON LoadIconResource(HINSTANCE instance, const std::string& name, int width, int height) {
  std::wstring storage;
  LPCWSTR resource = nullptr;
  if (name == "IDI_PROGRAM") {
    resource = MAKEINTRESOURCEW(platform::win32::kIdiProgram);
  } else if (name == "IDI_UNLOCKED") {
    resource = MAKEINTRESOURCEW(platform::win32::kIdiUnlocked);
  } else if (name == "IDI_UPDATE") {
    resource = MAKEINTRESOURCEW(platform::win32::kIdiUpdate);
  } else {
    storage = ToWide(name);
    resource = storage.c_str();
  }
  return static_cast<HICON>(::LoadImageW(instance, resource, IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
}

bool HasStyle(HWND hwnd, DWORD style) {
  return (static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_STYLE)) & style) != 0;
}

int PressedButton(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      return kLeftButton;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      return kRightButton;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      return kMiddleButton;
    default:
      return 0;
  }
}

RECT MapRect(HWND from, HWND to, RECT rect) {
  ::MapWindowPoints(from, to, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool IsContainer(const Control& control) {
  return control.kind() == ControlKind::kTabStrip || control.kind() == ControlKind::kFrame;
}

int ContainerDepth(const Control& control) {
  int depth = 0;
  for (const Control* outer = control.container(); outer != nullptr; outer = outer->container()) ++depth;
  return depth;
}

}  // namespace ui::win32
