// Window and shell routines the program's windows share.
#include "app/general.h"

#include <cstdlib>
#include <optional>

#include "app/program.h"
#include "engine/failure_report.h"

namespace app {

using engine::SkipOnFailure;

void RemoveCloseCommand(Program& program, platform::WindowId window) {
  program.os().windows.RemoveCloseCommand(window);
}

void SetTopmost(Program& program, platform::WindowId window, bool topmost) {
  program.os().windows.SetTopmost(window, topmost);
}

void EndProgram(Program& program) {
  for (ui::Form* form : program.SecondaryForms()) {
    SkipOnFailure([form] { form->Unload(); });
  }
  // The process ends without the main window's own close handlers: the icon
  // would stay in the notification area until the mouse passes over it.
  SkipOnFailure([&program] { program.os().shell.DeleteTrayIcon(program.trayIcon()); });
  program.os().process.EndProcess();
  std::abort();  // not reached: the process has ended
}

std::string BrowseForFolder(Program& program, platform::WindowId owner, std::uint32_t flags,
                            std::string_view title) {
  const std::optional<std::string_view> shown_title =
      title == kNoBrowseTitle ? std::nullopt : std::optional<std::string_view>(title);
  return program.os().shell.BrowseForFolder(owner, flags, shown_title);
}

bool FileExists(Program& program, std::string_view path) {
  return program.os().files.Kind(path) == platform::FileKind::kFile;
}

bool OpenProgramFile(Program& program, platform::WindowId owner, std::string_view file_name) {
  // Without the folder a bare name would be looked for in the current
  // folder and on the search path: another program of that name would run.
  const std::string& folder = program.globals().appFolder;
  if (folder.empty()) return false;
  // The shell reports failure with a code of 32 or less.
  constexpr int kHighestFailureCode = 32;
  int result = 0;
  SkipOnFailure([&] {
    result = program.os().shell.Open(owner, folder + std::string(file_name), "", "",
                                     platform::ShowCommand::kShowNormal);
  });
  return result > kHighestFailureCode;
}

}  // namespace app
