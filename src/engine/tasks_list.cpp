// The titles of the open windows that a task can be chosen from.
#include "engine/tasks_list.h"

#include <utility>

namespace engine {

bool IsTaskWindow(const platform::TopLevelWindow& window) {
  return window.visible && window.bordered;
}

std::vector<std::string> ListTaskWindows(platform::WindowService& windows, platform::WindowId ownWindow) {
  std::vector<std::string> titles;
  for (platform::TopLevelWindow& window : windows.TopLevelWindows()) {
    if (titles.size() == kTaskWindowTable) break;
    if (!IsTaskWindow(window) || window.id == ownWindow || window.title.empty()) continue;
    titles.push_back(std::move(window.title));
  }
  return titles;
}

}  // namespace engine
