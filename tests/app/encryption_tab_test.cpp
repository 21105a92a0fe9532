// The Encryption tab's handlers through the main window's models and a
// recording component: the calls, what the tab shows, the failure rule.
#include <gtest/gtest.h>

#include "support/program_fixture.h"

namespace {

using Text = const std::string&;

// Records every call; each file call runs `during_file` (to raise events).
struct RecordingComponent : engine::EncryptionComponent {
  void PresetMode(std::int32_t mode) override { calls += "PresetMode " + std::to_string(mode) + "; "; }
  void PresetFlag(bool flag) override { calls += flag ? "PresetFlag true; " : "PresetFlag false; "; }
  void EncryptFile(Text from, Text to, Text password) override { File("Encrypt", from, to, password); }
  void DecryptFile(Text from, Text to, Text password) override { File("Decrypt", from, to, password); }
  void Abort() override { calls += "Abort; "; }
  void File(const char* what, Text from, Text to, Text password) {
    calls += std::string(what) + " " + from + " " + to + " " + password + "; ";
    if (during_file) during_file(from);
  }
  std::string calls;
  std::function<void(Text source)> during_file;
};

class EncryptionTabTest : public testing_support::ProgramTest {
 protected:
  EncryptionTabTest() {
    main.HostEncryptionComponent(std::unique_ptr<RecordingComponent>(component));
    StartQuietly();
    OpenConfiguration();
    fakes.files.AddFolder("C:\\D");
    for (const char* file : {"C:\\D\\a.txt", "C:\\D\\b.txt"}) fakes.files.AddFile(file);
  }
  // Clicks the button with this path, password and "Include all files": the calls it made.
  std::string Run(ui::Button& button, std::string_view path, std::string_view pw, bool include = false) {
    component->calls.clear();
    main.txtenpath.setText(std::string(path));
    main.txtenpwd.setText(std::string(pw));
    main.chkInclude.setChecked(include);
    button.click();
    return component->calls;
  }
  // The red label ("-" when hidden), then what else shows.
  std::string Shown() const {
    return (main.lblerr.visible() ? main.lblerr.caption() : "-") +
           (main.chkInclude.checked() ? " include" : "") + (main.cmdAbort.visible() ? " abort" : "") +
           (main.ProgressBar.visible() ? " bar" : "");
  }
  RecordingComponent* component = new RecordingComponent;  // the main window owns it
};

TEST_F(EncryptionTabTest, RunsCallTheComponentAndShowTheLastResultOrTheFailure) {
  std::pair<std::int32_t, std::string> result;  // what the component reports, if a message
  component->during_file = [&](Text) {
    EXPECT_TRUE(Shown().ends_with(" abort bar") && main.lblprogress.visible()) << Shown();
    EXPECT_EQ(main.ProgressBar.bounds().width, 44) << "each run starts the bar afresh";
    component->on_progress(50);
    EXPECT_EQ(main.ProgressBar.bounds().width, 1095);
    main.cmdAbort.click();
    if (!result.second.empty()) component->on_result(result.first, result.second);
  };
  EXPECT_EQ(
      Run(main.cmdencrypt, "C:\\D\\Report.doc", "MiXeD Pw"),
      "PresetMode 4; PresetFlag true; Encrypt c:\\d\\report.doc c:\\d\\report.doc.ks7 mixed pw; Abort; ");
  EXPECT_EQ(Shown(), "99 - No Message.") << "an encryption that reported nothing";
  EXPECT_EQ(Run(main.cmddecrypt, "C:\\D\\Report.doc.KS7", "Pass"),
            "PresetMode 4; PresetFlag true; Decrypt c:\\d\\report.doc.ks7 c:\\d\\report.doc pass; Abort; ");
  EXPECT_EQ(Shown(), "99 - No Message.") << "the last result is kept";
  result = {0, "Done."};
  Run(main.cmdencrypt, "C:\\a", "pw");
  EXPECT_EQ(Shown(), "") << "success: the text cleared, nothing more";
  // Before a run nothing happens; a failure during one is described in red,
  // clears "Include all files" and leaves Abort and progress as they were.
  EXPECT_EQ(Run(main.cmddecrypt, "C:", "pw", true) + Run(main.cmdencrypt, "C:\\a", "", true), "");
  EXPECT_EQ(Shown(), " include");
  ASSERT_EQ(fakes.dialogs.beeps + fakes.dialogs.boxes().size(), 2U);
  EXPECT_EQ(fakes.dialogs.boxes().at(0).text, "Enter a password to continue.");
  EXPECT_EQ(Run(main.cmdencrypt, "C:\\D\\a.txt", "pw", true), "PresetMode 4; PresetFlag true; ");
  EXPECT_EQ(Shown(), "Path not found abort bar");
}

// Every file of the folder; one that failed stays shown over later successes.
TEST_F(EncryptionTabTest, FolderRunsTakeEveryFileAndShowAFailureOfAny) {
  component->during_file = [this](Text f) { component->on_result(f.ends_with("a.txt") ? 2 : 0, "Locked."); };
  EXPECT_EQ(Run(main.cmdencrypt, "C:\\D", "pw", true),
            "PresetMode 4; PresetFlag true; Encrypt C:\\D\\a.txt C:\\D\\a.txt.ks7 pw; "
            "Encrypt C:\\D\\b.txt C:\\D\\b.txt.ks7 pw; ");
  EXPECT_EQ(Shown(), "2 - Locked. include");
}

}  // namespace
