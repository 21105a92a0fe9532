// Driving another process's tab control from outside: reading its tabs and
// clicking one as a user does. Tab control messages carry pointers, so their
// data goes through a block of memory inside the other process.
#pragma once

#include <windows.h>

#include <optional>
#include <source_location>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

// A message to another process's window; nothing when it hung or is gone.
std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// The captions of a tab control's tabs, in order ("?" for one unreadable).
std::vector<std::string> TabCaptions(HWND tabs);
// The index of the tab with that caption, or -1.
int FindTab(HWND tabs, std::string_view caption);
int SelectedTab(HWND tabs);
// The middle of a tab, in screen coordinates.
std::optional<POINT> TabCentre(HWND tabs, int index);
// A left click at a point of the screen, as the mouse gives it: the pointer
// moves there first, and the button goes down once it has arrived.
bool ClickAt(POINT point, std::source_location where = std::source_location::current());

}  // namespace e2e
