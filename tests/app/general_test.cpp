// The shared window and shell routines against the fakes (the folder
// browser is followed through Export and Import).
#include "app/general.h"

#include "engine/failure_report.h"

#include <gtest/gtest.h>

#include "support/program_fixture.h"

namespace {

class GeneralTest : public testing_support::ProgramTest {};

TEST_F(GeneralTest, FileExistsOnlyForFiles) {
  fakes.files.AddFolder("C:\\Data");
  fakes.files.AddFile("C:\\Data\\a.txt");
  for (const char* path : {"", "C:\\Data", "C:\\Data\\missing.txt"})
    EXPECT_FALSE(app::FileExists(program, path)) << path;
  EXPECT_TRUE(app::FileExists(program, "c:\\data\\A.TXT"));
}

// The program ends at once: every secondary window and the tray icon go,
// while the main window's own close handlers do not run.
TEST_F(GeneralTest, EndProgramClosesTheSecondaryWindowsThenEndsAtOnce) {
  StartQuietly();
  program.frmtickCount.Show();
  program.RaiseLock({.reason = engine::reason::kApp});
  app::ShowMessage(program, "hello");
  ASSERT_TRUE(fakes.shell.tray_icon().has_value());
  EXPECT_THROW(app::EndProgram(program), platform::fake::ProcessEnded);
  for (ui::Form* form : program.SecondaryForms()) EXPECT_FALSE(form->loaded()) << form->name();
  EXPECT_TRUE(fakes.process.ended() && !fakes.shell.tray_icon().has_value());
  EXPECT_TRUE(main.loaded() && fakes.process.started().empty()) << "no handler of its own, no fresh copy";
}

}  // namespace
