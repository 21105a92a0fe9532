// The updater's choices: the folder it looks in, and the installer there it runs.
#include <gtest/gtest.h>

#include "updater/update_choice.h"

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

}  // namespace
