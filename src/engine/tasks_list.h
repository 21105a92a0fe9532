// The titles of the open windows that a task can be chosen from: the
// top-level windows that are visible and have a border, in z-order. Reads
// the desktop through the windows service only; no window of the program's.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/types.h"
#include "platform/window_service.h"

namespace engine {

// The most titles one enumeration collects; windows beyond are not listed.
inline constexpr std::size_t kTaskWindowTable = 1001;

// Whether a window may be offered as a task: visible and with a border
// line (every window with a caption has one). Owner, class and extended
// style play no part.
bool IsTaskWindow(const platform::TopLevelWindow& window);

// The titles of the windows that qualify, top of the z-order first, at most
// kTaskWindowTable of them. ownWindow (the browser itself) and windows whose
// title is empty or cannot be read are left out.
std::vector<std::string> ListTaskWindows(platform::WindowService& windows, platform::WindowId ownWindow);

}  // namespace engine
