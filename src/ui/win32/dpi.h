// DPI and fonts for the form renderer: twips to pixels by a window's DPI,
// the per-monitor DPI calls looked up at run time with a fallback, and the
// forms' font. Nothing here knows about forms or controls.
#pragma once

#include <windows.h>

#include "ui/control.h"

namespace ui::win32 {

inline constexpr UINT kDefaultDpi = 96;

int TwipsToPixels(int twips, UINT dpi);
int PixelsToTwips(int pixels, UINT dpi);
// Pixels designed at 96 dpi, at dpi.
int ScalePixels(int pixels, UINT dpi);
// A control's designed place in its parent's client area, in pixels at dpi.
RECT ControlRect(const Bounds& bounds, UINT dpi);

// The DPI a new window starts with, and the DPI of an existing one.
UINT SystemDpi();
UINT WindowDpi(HWND hwnd);
// GetSystemMetrics at dpi.
int SystemMetric(int index, UINT dpi);
// The outer size of a window with these styles whose client area is
// client_width x client_height pixels at dpi.
SIZE OuterSize(DWORD style, DWORD ex_style, int client_width, int client_height, UINT dpi);

// Verdana 8.25 pt at dpi, as the forms were designed; the caller owns it.
HFONT CreateFormFont(UINT dpi, bool underline, bool bold = false);

}  // namespace ui::win32
