// The updater's course.
#include "updater/update_run.h"

namespace updater {
namespace {

// The update check ends the program before it starts the updater; the update
// reminder leaves it running. A copy that runs takes a second start for a
// request to show its configuration and raises its password prompt, so the
// program is started only when none runs.
void StartProgramUnlessRunning(UpdaterSystem& system) {
  if (!system.ProgramRunning()) system.StartProgram();
}

}  // namespace

int RunUpdater(UpdaterSystem& system) {
  // Without its own program the updater takes any installer as newer.
  const Version installed = system.InstalledVersion().value_or(Version{});
  const std::string folder = UpdateFolder(system.ProgramFolder(), system.NamedFolder());
  const std::optional<Candidate> installer = ChooseInstaller(installed, system.Installers(folder));
  if (!installer) {
    StartProgramUnlessRunning(system);
    system.Tell("No update available.\n\nKestrove Pro " + VersionText(installed) + " is installed, and " +
                    folder + " holds no newer installer (" + std::string(kInstallerPattern) + ").",
                false);
    return 0;
  }
  const std::string path = folder + installer->file_name;
  if (const std::optional<std::uint32_t> error = system.RunInstaller(path)) {
    StartProgramUnlessRunning(system);
    system.Tell("The installer " + path + " (version " + VersionText(*installer->version) +
                    ") could not be started (error " + std::to_string(*error) + ").",
                true);
    return 1;
  }
  // The installer ends every running copy before it replaces the program.
  StartProgramUnlessRunning(system);
  return 0;
}

}  // namespace updater
