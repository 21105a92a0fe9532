// The Encryption tab's handlers through the main window's models: the calls
// a recording component receives (order, lower-cased paths and passwords,
// the folder walk), the progress bar, the red label and the failure rule;
// then one run through the real component and the fake files.
#include <gtest/gtest.h>

#include <functional>

#include "support/program_fixture.h"

namespace {

// Records every call; each file call raises what `during_file` asks for.
class RecordingComponent : public engine::EncryptionComponent {
 public:
  void PresetMode(std::int32_t mode) override { calls.push_back("PresetMode " + std::to_string(mode)); }
  void PresetFlag(bool flag) override {
    calls.push_back(std::string("PresetFlag ") + (flag ? "true" : "false"));
  }
  void EncryptFile(const std::string& source, const std::string& destination,
                   const std::string& password) override {
    calls.push_back("EncryptFile " + source + " | " + destination + " | " + password);
    if (during_file) during_file(source);
  }
  void DecryptFile(const std::string& source, const std::string& destination,
                   const std::string& password) override {
    calls.push_back("DecryptFile " + source + " | " + destination + " | " + password);
    if (during_file) during_file(source);
  }
  void Abort() override { calls.push_back("Abort"); }

  void Result(std::int32_t code, const std::string& message) { on_result(code, message); }
  std::vector<std::string> calls;
  std::function<void(const std::string& source)> during_file;
};

class EncryptionTabTest : public testing_support::ProgramTest {
 protected:
  EncryptionTabTest() {
    auto recording = std::make_unique<RecordingComponent>();
    component = recording.get();
    main.HostEncryptionComponent(std::move(recording));
    StartQuietly();
  }
  void Fill(std::string_view path, std::string_view password, bool include = false) {
    main.txtenpath.setText(std::string(path));
    main.txtenpwd.setText(std::string(password));
    main.chkInclude.setChecked(include);
  }
  [[nodiscard]] int BarWidth() const { return main.ProgressBar.bounds().width; }

  RecordingComponent* component = nullptr;
};

TEST_F(EncryptionTabTest, EncryptCallsTheComponentWithLowerCasedPathAndPassword) {
  Fill("C:\\Docs\\Report.doc", "MiXeD Ünï");
  component->during_file = [this](const std::string&) {
    // While the file runs: progress shown, Abort offered, no second run.
    EXPECT_TRUE(main.cmdAbort.visible());
    EXPECT_TRUE(main.lblprogress.visible());
    EXPECT_TRUE(main.ProgressBar.visible());
    EXPECT_EQ(BarWidth(), 44);
    EXPECT_FALSE(main.cmdencrypt.enabled());
    EXPECT_FALSE(main.cmddecrypt.enabled());
    main.cmdAbort.click();
  };
  main.cmdencrypt.click();
  EXPECT_EQ(component->calls,
            (std::vector<std::string>{
                "PresetMode 4", "PresetFlag true",
                "EncryptFile c:\\docs\\report.doc | c:\\docs\\report.doc.ks7 | mixed ünï", "Abort"}));
  EXPECT_FALSE(main.cmdAbort.visible());
  EXPECT_FALSE(main.lblprogress.visible());
  EXPECT_FALSE(main.ProgressBar.visible());
  EXPECT_TRUE(main.cmdencrypt.enabled());
  EXPECT_TRUE(main.cmddecrypt.enabled());
  // No result at all: the code 99.
  EXPECT_TRUE(main.lblerr.visible());
  EXPECT_EQ(main.lblerr.caption(), "99 - No Message.");
  EXPECT_EQ(main.lblerr.foreColor(), ui::kRed);
}

TEST_F(EncryptionTabTest, DecryptDropsTheLastFourCharactersAndLeavesNoResultUnshown) {
  Fill("C:\\Docs\\Report.doc.KS7", "Pass");
  main.cmddecrypt.click();
  EXPECT_EQ(component->calls.back(), "DecryptFile c:\\docs\\report.doc.ks7 | c:\\docs\\report.doc | pass");
  EXPECT_FALSE(main.lblerr.visible()) << "no result on decryption shows nothing";
  EXPECT_EQ(main.lblerr.caption(), "");
}

TEST_F(EncryptionTabTest, PasswordsThatDifferInCaseReachTheComponentAlike) {
  for (const char* typed : {"\xD0\x9F\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C",
                            "\xD0\xBF\xD0\x90\xD0\xA0\xD0\xBE\xD0\x9B\xD1\x8C"}) {
    Fill("C:\\a.txt", typed);
    main.cmdencrypt.click();
  }
  ASSERT_EQ(component->calls.size(), 6U);
  EXPECT_EQ(component->calls[2], component->calls[5]);
  EXPECT_NE(component->calls[2].find("\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C"), std::string::npos);
}

TEST_F(EncryptionTabTest, IncludeAllFilesWalksTheFolderInNameOrderWithoutSubfolders) {
  fakes.files.AddFolder("C:\\Docs");
  fakes.files.AddFolder("C:\\Docs\\Sub");
  fakes.files.AddFile("C:\\Docs\\b.txt");
  fakes.files.AddFile("C:\\Docs\\a.txt");
  fakes.files.AddFile("C:\\Docs\\Sub\\c.txt");
  Fill("C:\\Docs", "pw", true);
  main.cmdencrypt.click();
  EXPECT_EQ(component->calls,
            (std::vector<std::string>{"PresetMode 4", "PresetFlag true",
                                      "EncryptFile C:\\Docs\\a.txt | C:\\Docs\\a.txt.ks7 | pw",
                                      "EncryptFile C:\\Docs\\b.txt | C:\\Docs\\b.txt.ks7 | pw"}));
  // Decryption takes every file, whatever its extension.
  component->calls.clear();
  Fill("C:\\Docs\\", "pw", true);
  main.cmddecrypt.click();
  EXPECT_EQ(component->calls, (std::vector<std::string>{"PresetMode 4", "PresetFlag true",
                                                        "DecryptFile C:\\Docs\\a.txt | C:\\Docs\\a | pw",
                                                        "DecryptFile C:\\Docs\\b.txt | C:\\Docs\\b | pw"}));
}

// The failure rule: the description in the red label, "Include all files"
// cleared, the progress and Abort left as they were.
TEST_F(EncryptionTabTest, AFailureDuringARunShowsItsDescriptionInRed) {
  fakes.files.AddFolder("C:\\Docs");
  fakes.files.AddFile("C:\\Docs\\a.txt");
  const struct {
    const char* path;
    bool include;
    bool decrypt;
    const char* description;
    bool progress_shown;
  } cases[] = {
      {"C:\\Docs\\a.txt", true, false, "Path not found", true},
      {"C:\\Missing", true, true, "Path not found", true},
      {"abc", false, true, "Invalid procedure call or argument", false},
  };
  for (const auto& failure : cases) {
    for (ui::Control* shown : std::initializer_list<ui::Control*>{&main.cmdAbort, &main.lblprogress,
                                                                  &main.ProgressBar, &main.lblerr}) {
      shown->setVisible(false);
    }
    Fill(failure.path, "pw", failure.include);
    (failure.decrypt ? main.cmddecrypt : main.cmdencrypt).click();
    EXPECT_EQ(main.lblerr.caption(), failure.description) << failure.path;
    EXPECT_TRUE(main.lblerr.visible()) << failure.path;
    EXPECT_FALSE(main.chkInclude.checked()) << failure.path;
    EXPECT_TRUE(main.cmdAbort.visible()) << failure.path;
    EXPECT_EQ(main.ProgressBar.visible(), failure.progress_shown) << failure.path;
    EXPECT_TRUE(main.cmdencrypt.enabled()) << failure.path;
  }
}

TEST_F(EncryptionTabTest, NoPasswordOrAShortPathStopsBeforeTheComponent) {
  Fill("C:\\Docs\\a.txt", "");
  main.cmdencrypt.click();
  ASSERT_EQ(fakes.dialogs.boxes().size(), 1U);
  EXPECT_EQ(fakes.dialogs.boxes()[0].text, "Enter a password to continue.");
  EXPECT_EQ(fakes.dialogs.boxes()[0].title, "Kestrove Pro");
  EXPECT_EQ(fakes.dialogs.boxes()[0].style, 0U) << "OK, no icon";
  for (const char* path : {"C:", "a", ""}) {
    Fill(path, "pw");
    main.cmddecrypt.click();
  }
  EXPECT_EQ(fakes.dialogs.beeps, 3);
  EXPECT_TRUE(component->calls.empty());
  EXPECT_FALSE(main.cmdAbort.visible());
}

TEST_F(EncryptionTabTest, ProgressSetsTheBarWidth) {
  const struct {
    std::int32_t percent;
    int width;
  } cases[] = {{0, 0}, {1, 22}, {50, 1095}, {99, 2168}, {100, 2190}, {40000, 2190}, {-3, 2190}};
  Fill("C:\\a.txt", "pw");
  std::vector<int> widths;
  component->during_file = [&](const std::string&) {
    for (const auto& step : cases) {
      component->on_progress(step.percent);
      widths.push_back(BarWidth());
    }
  };
  main.cmdencrypt.click();
  ASSERT_EQ(widths.size(), std::size(cases));
  for (std::size_t i = 0; i < widths.size(); ++i) EXPECT_EQ(widths[i], cases[i].width) << cases[i].percent;
  component->during_file = nullptr;
  main.cmdencrypt.click();
  EXPECT_EQ(BarWidth(), 44) << "each run starts the bar afresh";
}

TEST_F(EncryptionTabTest, TheLastResultIsShownAndKeptAcrossRuns) {
  Fill("C:\\a.txt", "pw");
  component->during_file = [this](const std::string&) { component->Result(0, "All fine."); };
  main.cmdencrypt.click();
  EXPECT_FALSE(main.lblerr.visible()) << "success changes nothing beyond the cleared text";
  EXPECT_EQ(main.lblerr.caption(), "");

  component->during_file = [this](const std::string&) { component->Result(6, "Wrong password."); };
  main.cmddecrypt.click();
  EXPECT_EQ(main.lblerr.caption(), "6 - Wrong password.");
  // A run that reports nothing shows the last result again.
  component->during_file = nullptr;
  main.cmddecrypt.click();
  EXPECT_EQ(main.lblerr.caption(), "6 - Wrong password.");
}

TEST_F(EncryptionTabTest, AFolderRunShowsAFailureEvenWhenLaterFilesSucceed) {
  fakes.files.AddFolder("C:\\Docs");
  for (const char* name : {"C:\\Docs\\a.txt", "C:\\Docs\\b.txt", "C:\\Docs\\c.txt"})
    fakes.files.AddFile(name);
  Fill("C:\\Docs", "pw", true);
  component->during_file = [this](const std::string& source) {
    component->Result(source == "C:\\Docs\\b.txt" ? 2 : 0, source == "C:\\Docs\\b.txt" ? "Locked." : "Fine.");
  };
  main.cmdencrypt.click();
  EXPECT_EQ(main.lblerr.caption(), "2 - Locked.");
  main.chkInclude.setChecked(true);
  component->during_file = [this](const std::string&) { component->Result(0, "Fine."); };
  main.cmdencrypt.click();
  EXPECT_FALSE(main.lblerr.visible() && !main.lblerr.caption().empty()) << "the next run starts clean";
}

TEST_F(EncryptionTabTest, BrowsePutsTheChosenFileIntoThePathBox) {
  fakes.shell.browse_answers = {"C:\\Docs\\Chosen.doc", ""};
  main.cmdbrowse2.click();
  EXPECT_EQ(main.txtenpath.text(), "C:\\Docs\\Chosen.doc");
  main.cmdbrowse2.click();
  EXPECT_EQ(main.txtenpath.text(), "C:\\Docs\\Chosen.doc") << "Cancel leaves the box";
  EXPECT_EQ(fakes.shell.browsed()[0].flags, 0x4000U);
  EXPECT_EQ(fakes.shell.browsed()[0].title, "Select a File:");
}

// The real component over the fake files: a mixed-case password encrypts,
// another case decrypts, a wrong one shows its code in red.
class EncryptionTabFilesTest : public testing_support::ProgramTest {};

TEST_F(EncryptionTabFilesTest, EncryptAndDecryptThroughTheRealComponent) {
  const std::string content(300000, 'k');
  fakes.files.AddFolder("C:\\Docs");
  fakes.files.AddFile("C:\\Docs\\Report.doc", content);
  StartQuietly();
  main.txtenpath.setText("C:\\Docs\\Report.doc");
  main.txtenpwd.setText("Tavrolk Secret");
  main.cmdencrypt.click();
  EXPECT_EQ(main.lblerr.caption(), "");
  EXPECT_TRUE(fakes.files.Content("C:\\Docs\\Report.doc.ks7").has_value());
  EXPECT_EQ(main.ProgressBar.bounds().width, 2190);

  fakes.files.Delete("C:\\Docs\\Report.doc");
  main.txtenpath.setText("C:\\Docs\\Report.doc.ks7");
  main.txtenpwd.setText("tAVROLK sECRET");
  main.cmddecrypt.click();
  EXPECT_EQ(main.lblerr.caption(), "");
  EXPECT_EQ(fakes.files.Content("C:\\Docs\\Report.doc"), content);

  fakes.files.Delete("C:\\Docs\\Report.doc");
  main.txtenpwd.setText("wrong");
  main.cmddecrypt.click();
  EXPECT_EQ(main.lblerr.caption(), "6 - Wrong password.");
  EXPECT_TRUE(main.lblerr.visible());
  EXPECT_FALSE(fakes.files.Content("C:\\Docs\\Report.doc").has_value());
}

}  // namespace
