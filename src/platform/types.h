// Plain value types shared by every platform service. No Windows headers here:
// the win32 backends convert these at their boundary.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// A top-level window of any process, as the operating system names it. 0 = none.
using WindowId = std::uintptr_t;
inline constexpr WindowId kNoWindow = 0;

// A rectangle on the screen in pixels; right and bottom lie just outside it.
struct ScreenRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// The show commands the program asks for; numbered as the Windows commands.
enum class ShowCommand : int {
  kHide = 0,
  kShowNormal = 1,
  kShowMinimized = 2,
  kShowMaximized = 3,
  kShowNormalNoActivate = 4,  // shown at its normal size without taking the focus
  kShow = 5,
  kMinimize = 6,
  kShowMinNoActive = 7,
  kShowNoActivate = 8,
  kRestore = 9,
};

// The predefined registry roots the program uses.
enum class RegRoot : std::uint32_t {
  kCurrentUser = 0x80000001U,
  kLocalMachine = 0x80000002U,
};

// Registry value types, numbered as Windows numbers them.
enum class RegType : std::uint32_t {
  kNone = 0,
  kSz = 1,
  kExpandSz = 2,
  kBinary = 3,
  kDword = 4,
  kMultiSz = 7,
  kQword = 11,
};

}  // namespace platform
