// Small helpers that the form renderer's windows share: window text in
// UTF-8, colours, the program's icons, style and rectangle checks, and the
// echo guard between a model and its window. Internal to ui/win32.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>

#include "ui/control.h"

namespace ui::win32 {

// 0xRRGGBB as the models hold colours.
COLORREF ToColorRef(std::uint32_t rgb);

std::string TextOf(HWND hwnd);
// Whether this thread is inside TextOf: a password box hands its text to
// the renderer's own reads and to nothing else.
bool ReadingOwnText();
void SetText(HWND hwnd, const std::string& text);

// An icon of the program's resources at width x height pixels; the caller
// owns it (not LR_SHARED). "IDI_PROGRAM" and "IDI_UNLOCKED" name the
// numbered icons of res/kstrv7.rc (the tray loads them by number); any other
// name, "#101" included, goes to LoadImage as it is.
HICON LoadIconResource(HINSTANCE instance, const std::string& name, int width, int height);

bool HasStyle(HWND hwnd, DWORD style);
// The button a mouse message presses (kLeftButton, kRightButton,
// kMiddleButton; a double click's second press too), 0 for other messages.
int PressedButton(UINT message);
// A rectangle of `from`'s client area in `to`'s client coordinates.
RECT MapRect(HWND from, HWND to, RECT rect);

// Tab strips and frames hold other controls.
bool IsContainer(const Control& control);
// How deep a control sits in tab strips and frames (0 on the form itself).
int ContainerDepth(const Control& control);

// Sets a flag for the lifetime of the guard and puts back what was there,
// so nested guards (a handler that changes the model again) stay correct.
class FlagGuard {
 public:
  explicit FlagGuard(bool& flag) : flag_(flag), saved_(std::exchange(flag, true)) {}
  ~FlagGuard() { flag_ = saved_; }
  FlagGuard(const FlagGuard&) = delete;
  FlagGuard& operator=(const FlagGuard&) = delete;
  FlagGuard(FlagGuard&&) = delete;
  FlagGuard& operator=(FlagGuard&&) = delete;

 private:
  bool& flag_;
  bool saved_;
};

}  // namespace ui::win32
