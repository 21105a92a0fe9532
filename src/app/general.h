// Window and shell routines the program's windows share: taking Close away,
// keeping a window on top, ending the program, the folder browser, the file
// test and opening a file beside the program. None of them reports a failure.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace app {

class Program;

// Takes Close out of a window's system menu (also greying its close box and
// Alt+F4).
void RemoveCloseCommand(Program& program, platform::WindowId window);
// Keeps a window above all others, or lets it go.
void SetTopmost(Program& program, platform::WindowId window, bool topmost);
// Closes the program's secondary windows, each through its own unload, then
// ends the process at once: no main-window handler and no timer runs again.
[[noreturn]] void EndProgram(Program& program);
// The title that asks for a folder browser without a title line.
inline constexpr std::string_view kNoBrowseTitle = "@@@";
// The shell's folder browser; the chosen path, or "" on Cancel.
std::string BrowseForFolder(Program& program, platform::WindowId owner, std::uint32_t flags,
                            std::string_view title);
// Whether the path names an existing file; a folder does not count.
bool FileExists(Program& program, std::string_view path);
// Asks the shell to open a file of the program's own folder ("Open", shown
// normally), never one found elsewhere on the search path. True when the
// shell reports it started; false when it failed, when the call itself
// failed, or when the program's folder is not known.
bool OpenProgramFile(Program& program, platform::WindowId owner, std::string_view file_name);

}  // namespace app
