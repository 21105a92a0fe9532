// "Lock a Folder" and "Update Check": what each opens, from which folder,
// and what the user sees when it cannot. ("?" is an end-to-end scenario.)
#include <gtest/gtest.h>

#include "support/program_fixture.h"

namespace {

class HelpAndUpdateTest : public testing_support::ProgramTest {
 protected:
  const std::string folder = fakes.process.folder;
  app::FrmError& dialog = program.frmError;
};

TEST_F(HelpAndUpdateTest, LockAFolderStartsDirlatchBesideTheProgramOrSaysItIsNotInstalled) {
  StartQuietly();
  OpenConfiguration();
  const struct {
    const char* why;
    bool folder_known;
    int result;  // the shell's
    bool throws;
  } cases[] = {{"started", true, 33, false},
               {"a failure code", true, 32, false},
               {"the call failed", true, 42, true},
               {"folder unknown: the search path is not used", false, 42, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    g.appFolder = c.folder_known ? folder : "";
    fakes.shell.open_result = c.result;
    fakes.shell.open_throws = c.throws;
    const auto opened = fakes.shell.opened().size();
    main.cmdDirlatch.click();
    ASSERT_EQ(fakes.shell.opened().size(), opened + (c.folder_known ? 1 : 0));
    EXPECT_EQ(c.folder_known ? fakes.shell.opened().back().file : "",
              c.folder_known ? folder + "dirlatch.exe" : "");
    const bool started = c.folder_known && !c.throws && c.result > 32;
    EXPECT_EQ(dialog.visible() ? dialog.Label1.caption() : "",
              started ? "" : "dirlatch.exe is not installed.");
    if (dialog.visible()) dialog.cmdok.click();
  }
}

// Over the start-up reminder that was switched off meanwhile: the question
// is still shown, Cancel declines, OK starts the updater once and ends.
TEST_F(HelpAndUpdateTest, UpdateCheckAsksBeforeEndingAndItsOkStartsTheUpdaterOnce) {
  PutSetting("DontShowUpdate", "0");
  program.Start();
  dialog.chkShowAgain.click();
  Type("tavrolk");
  for (const bool accept : {false, true}) {
    main.cmdupdate.click();
    ASSERT_TRUE(dialog.visible());
    EXPECT_EQ(dialog.caption(), "Program In-use");
    EXPECT_EQ(dialog.Label1.caption(),
              "Kestrove Pro must shut-down before update!Click OK to close Kestrove Pro or cancel to abort "
              "update.");
    EXPECT_TRUE(dialog.cmdCancel.visible() && !dialog.chkShowAgain.visible());
    if (accept) {
      EXPECT_THROW(dialog.cmdok.click(), platform::fake::ProcessEnded);
    } else {
      dialog.cmdCancel.click();
      EXPECT_FALSE(dialog.loaded());
    }
  }
  ASSERT_EQ(fakes.shell.opened().size(), 1U);
  EXPECT_EQ(fakes.shell.opened()[0].file, folder + "KsUpdate.exe");
  EXPECT_TRUE(fakes.process.claim_released_before_starts.has_value())
      << "the updater, which starts the program unless a copy runs, must not count the one ending";
}

}  // namespace
