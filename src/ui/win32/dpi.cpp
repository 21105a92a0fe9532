// DPI and fonts for the form renderer. The per-monitor calls exist from
// Windows 10 1607 on; older systems (and older Wine) fall back to the
// screen's LOGPIXELSX, so they are looked up at run time.
#include "ui/win32/dpi.h"

namespace ui::win32 {
namespace {

constexpr int kTwipsPerInch = 1440;
// Verdana 8.25 pt, in hundredths of a point.
constexpr int kFontSizeCentipoints = 825;
constexpr wchar_t kFontFace[] = L"Verdana";

template <typename Fn>
Fn User32Function(const char* name) {
  const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  // Through void*: FARPROC and Fn are unrelated function pointer types.
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name)));
}

UINT ScreenDpi() {
  const HDC screen = ::GetDC(nullptr);
  const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

}  // namespace

int TwipsToPixels(int twips, UINT dpi) {
  return ::MulDiv(twips, static_cast<int>(dpi), kTwipsPerInch);
}

int PixelsToTwips(int pixels, UINT dpi) {
  return ::MulDiv(pixels, kTwipsPerInch, static_cast<int>(dpi));
}

int ScalePixels(int pixels, UINT dpi) {
  return ::MulDiv(pixels, static_cast<int>(dpi), static_cast<int>(kDefaultDpi));
}

RECT ControlRect(const Bounds& bounds, UINT dpi) {
  const int left = TwipsToPixels(bounds.left, dpi);
  const int top = TwipsToPixels(bounds.top, dpi);
  return RECT{left, top, left + TwipsToPixels(bounds.width, dpi), top + TwipsToPixels(bounds.height, dpi)};
}

UINT SystemDpi() {
  using GetDpiForSystemFn = UINT(WINAPI*)();
  static const auto get_dpi_for_system = User32Function<GetDpiForSystemFn>("GetDpiForSystem");
  const UINT dpi = get_dpi_for_system != nullptr ? get_dpi_for_system() : 0;
  return dpi != 0 ? dpi : ScreenDpi();
}

UINT WindowDpi(HWND hwnd) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  const UINT dpi = get_dpi_for_window != nullptr ? get_dpi_for_window(hwnd) : 0;
  return dpi != 0 ? dpi : ScreenDpi();
}

int SystemMetric(int index, UINT dpi) {
  using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
  static const auto for_dpi = User32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
  return for_dpi != nullptr ? for_dpi(index, dpi) : ::GetSystemMetrics(index);
}

SIZE OuterSize(DWORD style, DWORD ex_style, int client_width, int client_height, UINT dpi) {
  using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjust_for_dpi = User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
  RECT rect{0, 0, client_width, client_height};
  if (adjust_for_dpi == nullptr || adjust_for_dpi(&rect, style, FALSE, ex_style, dpi) == FALSE) {
    rect = RECT{0, 0, client_width, client_height};
    ::AdjustWindowRectEx(&rect, style, FALSE, ex_style);
  }
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

HFONT CreateFormFont(UINT dpi, bool underline, bool bold) {
  return ::CreateFontW(-::MulDiv(kFontSizeCentipoints, static_cast<int>(dpi), 72 * 100), 0, 0, 0,
                       bold ? FW_BOLD : FW_NORMAL, FALSE, underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       kFontFace);
}

}  // namespace ui::win32
