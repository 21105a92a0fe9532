// The updater's choices: the folder it looks in, the installer there it runs,
// and whether it starts the program again.
#include <gtest/gtest.h>

#include "updater/update_choice.h"
#include "updater/update_run.h"

namespace {

using updater::Candidate;

Candidate File(const char* name, std::uint16_t minor, std::uint16_t build = 0, std::uint16_t revision = 0) {
  return {name, updater::Version{{7, minor, build, revision}}};
}

TEST(UpdateChoice, RunsTheNewestInstallerNewerThanTheProgram) {
  const struct {
    std::vector<Candidate> files;
    const char* chosen;  // "none": "No update available."
  } cases[] = {
      {{}, "none"},
      {{File("kestrove-setup.exe", 6, 0, 3), File("kestrove-setup-old.exe", 5, 9, 9)}, "none"},
      {{File("kestrove-setup-a.exe", 6, 0, 4), File("kestrove-setup-b.exe", 6, 1)}, "kestrove-setup-b.exe"},
      {{File("kestrove-setup-a.exe", 9), File("KESTROVE-SETUP-B.EXE", 10), File("kestrove-setup-c.exe", 8)},
       "KESTROVE-SETUP-B.EXE"},  // numbers, not texts, compared
      {{File("kestrove-setup-b.exe", 8), File("kestrove-setup-a.exe", 8)}, "kestrove-setup-a.exe"},
      {{{"kestrove-setup.exe", std::nullopt},
        File("setup.exe", 9),
        File("kestrove-setup.exe.txt", 9),
        File("kestrove-setup.msi", 9)},
       "none"},  // no version resource, or not an installer
  };
  for (const auto& c : cases) {
    const auto chosen = updater::ChooseInstaller(updater::Version{{7, 6, 0, 3}}, c.files);
    EXPECT_EQ(chosen ? chosen->file_name : "none", c.chosen);
  }
}

TEST(UpdateChoice, LooksInTheFolderAnAdministratorNamedElseBesideTheProgram) {
  const std::string program = "C:\\Program Files\\Kestrove Pro\\";
  EXPECT_EQ(updater::UpdateFolder(program, " "), program + "update\\");
  EXPECT_EQ(updater::UpdateFolder(program, "\\\\server\\kestrove"), "\\\\server\\kestrove\\");
  EXPECT_EQ(updater::UpdateFolder(program, " \"D:\\Updates\\\" "), "D:\\Updates\\");
  // A relative name would depend on whatever the current folder is.
  for (const char* relative : {"updates", "C:updates", "\\updates"})
    EXPECT_EQ(updater::UpdateFolder(program, relative), program + "update\\") << relative;
}

// The outside world as the updater sees it; what it did, in order.
struct FakeUpdaterSystem : updater::UpdaterSystem {
  std::vector<Candidate> installers;
  std::optional<std::uint32_t> installer_error;
  bool running = false;
  std::string done;

  std::string ProgramFolder() override { return "C:\\Kestrove\\"; }
  std::optional<updater::Version> InstalledVersion() override { return updater::Version{{7, 6, 0, 3}}; }
  std::string NamedFolder() override { return ""; }
  std::vector<Candidate> Installers(const std::string& /*folder*/) override { return installers; }
  std::optional<std::uint32_t> RunInstaller(const std::string& path) override {
    done += "run " + path + "; ";
    // The installer ends every running copy.
    if (!installer_error) running = false;
    return installer_error;
  }
  bool ProgramRunning() override { return running; }
  void StartProgram() override { done += "start; "; }
  void Tell(const std::string& text, bool error) override {
    done += (error ? "error" : text.substr(0, text.find('\n'))) + "; ";
  }
};

// The update reminder's OK leaves the program running: a second copy would
// make it raise its password prompt over the updater's answer.
TEST(UpdateRun, StartsTheProgramAgainOnlyWhenNoCopyRuns) {
  const std::string setup = "run C:\\Kestrove\\update\\kestrove-setup.exe; ";
  const struct {
    bool installer;
    std::optional<std::uint32_t> error;
    bool running;
    int exit_code;
    std::string done;
  } cases[] = {
      {false, {}, false, 0, "start; No update available.; "},
      {false, {}, true, 0, "No update available.; "},
      {true, {}, true, 0, setup + "start; "},
      {true, 1223, true, 1, setup + "error; "},
      {true, 2, false, 1, setup + "start; error; "},
  };
  for (const auto& c : cases) {
    FakeUpdaterSystem system;
    if (c.installer) system.installers = {File("kestrove-setup.exe", 7)};
    system.installer_error = c.error;
    system.running = c.running;
    EXPECT_EQ(updater::RunUpdater(system), c.exit_code);
    EXPECT_EQ(system.done, c.done);
  }
}

}  // namespace
