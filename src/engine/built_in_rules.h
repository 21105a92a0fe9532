// The built-in protection rules, applied in order at the end of every
// scanning watch tick: the program's own uninstaller (always on), the
// registry editor, Internet Explorer, other browsers, Windows Explorer, Task
// Manager and installers. Several may fire in one tick; the lock record then
// holds the last.
#pragma once

#include <string_view>
#include <vector>

#include "engine/context.h"
#include "engine/locks.h"

namespace engine {

class BuiltInRules {
 public:
  BuiltInRules(Context& context, Locks& locks) : context_(context), locks_(locks) {}

  // The rules against this tick's foreground window and title, and every
  // top-level window.
  void RunAdvanced(platform::WindowId foregroundWindow, std::string_view foregroundTitle);

 private:
  // A program's windows: those of any of these classes or with any of these
  // whole titles, letter case ignored as Windows compares them.
  struct ProgramWindows {
    std::vector<std::string_view> classes = {};
    std::vector<std::string_view> titles = {};
  };
  // Its visible top-level windows (minimised ones too), top first.
  [[nodiscard]] std::vector<platform::WindowId> VisibleWindowsOf(const ProgramWindows& program);

  Context& context_;
  Locks& locks_;
};

}  // namespace engine
