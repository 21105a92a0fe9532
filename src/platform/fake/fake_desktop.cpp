// In-memory desktop for host tests.
#include "platform/fake/fake_desktop.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <utility>

#include "platform/text.h"

namespace platform::fake {
namespace {

// Windows compares titles in FindWindow without regard to letter case.
bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return AsciiLower(a) == AsciiLower(b);
}

}  // namespace

WindowId FakeDesktop::Open(std::string title, std::string class_name, bool visible) {
  WindowId id = std::exchange(reused_id_, kNoWindow);
  if (id == kNoWindow || windows_.contains(id)) {
    id = next_id_;
    next_id_ += 4;
  }
  FakeWindow window;
  window.id = id;
  window.title = std::move(title);
  window.class_name = std::move(class_name);
  window.visible = visible;
  by_class_.emplace(AsciiLower(window.class_name), id);
  windows_.emplace(id, std::move(window));
  z_order_.push_back(id);
  Raise(id);
  return id;
}

void FakeDesktop::Raise(WindowId window) {
  const FakeWindow* w = Find(window);
  if (w == nullptr) return;
  std::erase(z_order_, window);
  auto at = z_order_.begin();
  if (!w->topmost) {
    while (at != z_order_.end() && windows_.at(*at).topmost) ++at;
  }
  z_order_.insert(at, window);
}

ScreenRect FakeDesktop::WindowRect(WindowId window) {
  const FakeWindow* w = Find(window);
  return w == nullptr ? ScreenRect{} : w->rect;
}

std::vector<WindowId> FakeDesktop::VisibleWindowsAbove(WindowId window) {
  std::vector<WindowId> above;
  const auto at = std::find(z_order_.begin(), z_order_.end(), window);
  if (at == z_order_.end()) return above;
  for (auto other = std::make_reverse_iterator(at); other != z_order_.rend(); ++other) {
    if (windows_.at(*other).visible) above.push_back(*other);
  }
  return above;
}

bool FakeDesktop::PlaceOnTop(WindowId window, const ScreenRect& rect) {
  FakeWindow* w = Find(window);
  if (w == nullptr) return false;
  w->topmost = true;
  w->rect = rect;
  Raise(window);
  return true;
}

void FakeDesktop::Close(WindowId window) {
  const auto it = windows_.find(window);
  if (it != windows_.end()) {
    auto [from, to] = by_class_.equal_range(AsciiLower(it->second.class_name));
    while (from != to && from->second != window) ++from;
    if (from != to) by_class_.erase(from);
  }
  windows_.erase(window);
  std::erase(z_order_, window);
  if (foreground_ == window) foreground_ = kNoWindow;
}

const FakeWindow& FakeDesktop::Get(WindowId window) const {
  const auto it = windows_.find(window);
  if (it == windows_.end()) throw std::out_of_range("no such fake window");
  return it->second;
}

FakeWindow& FakeDesktop::Edit(WindowId window) {
  const auto it = windows_.find(window);
  if (it == windows_.end()) throw std::out_of_range("no such fake window");
  return it->second;
}

FakeWindow* FakeDesktop::Find(WindowId window) {
  const auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : &it->second;
}

WindowId FakeDesktop::Foreground() {
  ++foreground_reads_;
  return Find(foreground_) != nullptr ? foreground_ : kNoWindow;
}

std::string FakeDesktop::Title(WindowId window) {
  const FakeWindow* w = Find(window);
  return w == nullptr ? std::string() : w->title;
}

std::string FakeDesktop::ClassName(WindowId window) {
  ++class_reads_;
  const FakeWindow* w = Find(window);
  return w == nullptr ? std::string() : w->class_name;
}

bool FakeDesktop::SetTitle(WindowId window, std::string_view title) {
  FakeWindow* w = Find(window);
  if (w == nullptr) return false;
  w->title = std::string(title);
  return true;
}

bool FakeDesktop::IsMinimized(WindowId window) {
  const FakeWindow* w = Find(window);
  return w != nullptr && w->minimized;
}

bool FakeDesktop::IsOwnWindow(WindowId window) {
  const FakeWindow* w = Find(window);
  return w != nullptr && w->own;
}

bool FakeDesktop::ShowAsync(WindowId window, ShowCommand command) {
  show_calls_.push_back(ShowCall{window, command});
  FakeWindow* w = Find(window);
  if (w == nullptr) return false;
  switch (command) {
    case ShowCommand::kHide:
      if (w->refuses_hide) return false;
      w->visible = false;
      break;
    case ShowCommand::kMinimize:
    case ShowCommand::kShowMinimized:
    case ShowCommand::kShowMinNoActive:
      w->visible = true;
      w->minimized = true;
      break;
    case ShowCommand::kShow:
    case ShowCommand::kShowNoActivate:
      w->visible = true;
      break;
    case ShowCommand::kShowNormal:
    case ShowCommand::kShowNormalNoActivate:
    case ShowCommand::kShowMaximized:
    case ShowCommand::kRestore:
      w->visible = true;
      w->minimized = false;
      break;
  }
  return true;
}

WindowId FakeDesktop::FindByClass(std::string_view class_name) {
  // Looked up by class, as Windows looks a class up by its atom, so that a
  // desktop of many windows does not weigh on the program's own costs.
  const auto [from, to] = by_class_.equal_range(AsciiLower(class_name));
  if (from == to) return kNoWindow;
  if (std::next(from) == to) return from->second;
  for (const WindowId id : z_order_) {
    for (auto it = from; it != to; ++it) {
      if (it->second == id) return id;
    }
  }
  return kNoWindow;
}

WindowId FakeDesktop::FindByTitle(std::string_view title) {
  for (const WindowId id : z_order_) {
    if (EqualsIgnoringCase(windows_.at(id).title, title)) return id;
  }
  return kNoWindow;
}

bool FakeDesktop::PostClose(WindowId window) {
  FakeWindow* w = Find(window);
  if (w == nullptr) return false;
  ++w->close_requests;
  return true;
}

bool FakeDesktop::Exists(WindowId window) {
  return Find(window) != nullptr;
}

bool FakeDesktop::IsVisible(WindowId window) {
  const FakeWindow* w = Find(window);
  return w != nullptr && w->visible;
}

std::vector<TopLevelWindow> FakeDesktop::TopLevelWindows() {
  std::vector<TopLevelWindow> out;
  for (const WindowId id : z_order_) {
    const FakeWindow& w = windows_.at(id);
    out.push_back(TopLevelWindow{id, w.title, w.class_name, w.visible, w.owned, w.tool_window, w.bordered});
  }
  return out;
}

bool FakeDesktop::SetTopmost(WindowId window, bool topmost) {
  FakeWindow* w = Find(window);
  if (w == nullptr) return false;
  w->topmost = topmost;
  // Made topmost, it comes to the top, as SetWindowPos with HWND_TOPMOST does.
  if (topmost) Raise(window);
  return true;
}

bool FakeDesktop::RemoveCloseCommand(WindowId window) {
  FakeWindow* w = Find(window);
  if (w == nullptr) return false;
  w->close_command = false;
  return true;
}

}  // namespace platform::fake
