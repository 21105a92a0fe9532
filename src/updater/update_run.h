// The updater's course from its start to its end: the installer it runs, if
// any, what it tells the user, and whether it starts the program again. Over
// a small interface to Windows, which the updater's main (win32/) implements.
// No Windows headers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "updater/update_choice.h"

namespace updater {

class UpdaterSystem {
 public:
  virtual ~UpdaterSystem() = default;

  // The folder of the program and the updater, with a trailing "\".
  virtual std::string ProgramFolder() = 0;
  // The installed program's version; none without a program there.
  virtual std::optional<Version> InstalledVersion() = 0;
  // The update folder an administrator named, "" when none.
  virtual std::string NamedFolder() = 0;
  // The installer files of a folder with their versions.
  virtual std::vector<Candidate> Installers(const std::string& folder) = 0;
  // Runs an installer and waits for it to end; the error number when it
  // could not be started (or an administrator's consent was refused).
  virtual std::optional<std::uint32_t> RunInstaller(const std::string& path) = 0;
  // Whether a copy of the program runs in this session.
  virtual bool ProgramRunning() = 0;
  virtual void StartProgram() = 0;
  // A message box with the updater's title, an information or error icon.
  virtual void Tell(const std::string& text, bool error) = 0;
};

// Runs the newest installer newer than the program, or says there is none;
// either way the program is started again unless a copy of it runs. Returns
// the updater's exit code: 1 when the installer could not be started.
int RunUpdater(UpdaterSystem& system);

}  // namespace updater
