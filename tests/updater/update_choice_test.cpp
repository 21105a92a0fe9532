// The updater's choices: which folder it looks in, and which installer there
// it runs.
#include <gtest/gtest.h>

#include "updater/update_choice.h"

namespace {

using updater::Candidate;
using updater::Version;

Candidate File(const char* name, std::uint16_t major, std::uint16_t minor, std::uint16_t build = 0,
               std::uint16_t revision = 0) {
  return {name, Version{{major, minor, build, revision}}};
}

TEST(UpdateChoice, RunsTheNewestInstallerNewerThanTheProgram) {
  struct Case {
    const char* why;
    std::vector<Candidate> files;
    const char* chosen;  // nullptr: "No update available."
  };
  const Case cases[] = {
      {"empty folder", {}, nullptr},
      {"the same and an older version",
       {File("kestrove-setup.exe", 7, 6, 0, 3), File("kestrove-setup-old.exe", 7, 5, 9, 9)},
       nullptr},
      {"a newer build before a newer revision",
       {File("kestrove-setup-a.exe", 7, 6, 0, 4), File("kestrove-setup-b.exe", 7, 6, 1)},
       "kestrove-setup-b.exe"},
      {"numbers, not texts, compared",
       {File("kestrove-setup-a.exe", 7, 9), File("KESTROVE-SETUP-B.EXE", 7, 10),
        File("kestrove-setup-c.exe", 7, 8)},
       "KESTROVE-SETUP-B.EXE"},
      {"equal versions: the first by name",
       {File("kestrove-setup-b.exe", 8, 0), File("kestrove-setup-a.exe", 8, 0)},
       "kestrove-setup-a.exe"},
      {"no version resource, or not an installer",
       {{"kestrove-setup.exe", std::nullopt},
        File("setup.exe", 9, 0),
        File("kestrove-setup.exe.txt", 9, 0),
        File("kestrove-setup.msi", 9, 0)},
       nullptr},
  };
  for (const Case& c : cases) {
    const auto chosen = updater::ChooseInstaller(Version{{7, 6, 0, 3}}, c.files);
    EXPECT_EQ(chosen ? chosen->file_name : "none", c.chosen != nullptr ? c.chosen : "none") << c.why;
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
