// The Encryption tab's handlers through the main window's models: the calls
// a recording component receives (order, lower-cased paths and passwords,
// the folder walk), the progress bar, the red label and the failure rule;
// then runs through the real component and the fake files.
#include <gtest/gtest.h>

#include <functional>

#include "support/program_fixture.h"

namespace {

// Records every call; each file call runs `during_file` (to raise events).
class RecordingComponent : public engine::EncryptionComponent {
 public:
  void PresetMode(std::int32_t mode) override { calls.push_back("PresetMode " + std::to_string(mode)); }
  void PresetFlag(bool flag) override {
    calls.push_back(std::string("PresetFlag ") + (flag ? "true" : "false"));
  }
  void EncryptFile(const std::string& source, const std::string& target,
                   const std::string& password) override {
    File("EncryptFile", source, target, password);
  }
  void DecryptFile(const std::string& source, const std::string& target,
                   const std::string& password) override {
    File("DecryptFile", source, target, password);
  }
  void Abort() override { calls.push_back("Abort"); }
  void File(const char* what, const std::string& source, const std::string& target,
            const std::string& password) {
    calls.push_back(std::string(what) + " " + source + " | " + target + " | " + password);
    if (during_file) during_file(source);
  }

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
    fakes.files.AddFolder("C:\\Docs");
    fakes.files.AddFolder("C:\\Docs\\Sub");
    for (const char* file : {"C:\\Docs\\b.txt", "C:\\Docs\\a.txt", "C:\\Docs\\Sub\\c.txt"})
      fakes.files.AddFile(file);
  }
  void Run(ui::Button& button, std::string_view path, std::string_view password, bool include = false) {
    main.txtenpath.setText(std::string(path));
    main.txtenpwd.setText(std::string(password));
    main.chkInclude.setChecked(include);
    button.click();
  }
  void Result(std::int32_t code, const std::string& message) { component->on_result(code, message); }
  [[nodiscard]] int BarWidth() const { return main.ProgressBar.bounds().width; }

  RecordingComponent* component = nullptr;
};

TEST_F(EncryptionTabTest, EncryptCallsTheComponentWithLowerCasedPathAndPassword) {
  component->during_file = [this](const std::string&) {
    // While the file runs: progress shown, Abort offered, no second run.
    EXPECT_TRUE(main.cmdAbort.visible() && main.lblprogress.visible() && main.ProgressBar.visible());
    EXPECT_EQ(BarWidth(), 44);
    EXPECT_FALSE(main.cmdencrypt.enabled() || main.cmddecrypt.enabled());
    main.cmdAbort.click();
  };
  Run(main.cmdencrypt, "C:\\Docs\\Report.doc", "MiXeD \xD0\x9F\xD0\x90\xD0\xA0\xD0\x9E\xD0\x9B\xD0\xAC");
  EXPECT_EQ(component->calls,
            (std::vector<std::string>{"PresetMode 4", "PresetFlag true",
                                      "EncryptFile c:\\docs\\report.doc | c:\\docs\\report.doc.ks7 | mixed "
                                      "\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C",
                                      "Abort"}));
  EXPECT_FALSE(main.cmdAbort.visible() || main.lblprogress.visible() || main.ProgressBar.visible());
  EXPECT_TRUE(main.cmdencrypt.enabled() && main.cmddecrypt.enabled());
  // No result at all: the code 99, in red.
  EXPECT_TRUE(main.lblerr.visible());
  EXPECT_EQ(main.lblerr.caption(), "99 - No Message.");
  EXPECT_EQ(main.lblerr.foreColor(), ui::kRed);

  component->calls.clear();
  component->during_file = nullptr;
  Run(main.cmddecrypt, "C:\\Docs\\Report.doc.KS7", "Pass");
  EXPECT_EQ(component->calls.back(), "DecryptFile c:\\docs\\report.doc.ks7 | c:\\docs\\report.doc | pass");
  EXPECT_EQ(main.lblerr.caption(), "99 - No Message.") << "the last result is kept";
}

TEST_F(EncryptionTabTest, IncludeAllFilesWalksTheFolderInNameOrderWithoutSubfolders) {
  Run(main.cmdencrypt, "C:\\Docs", "pw", true);
  EXPECT_EQ(component->calls,
            (std::vector<std::string>{"PresetMode 4", "PresetFlag true",
                                      "EncryptFile C:\\Docs\\a.txt | C:\\Docs\\a.txt.ks7 | pw",
                                      "EncryptFile C:\\Docs\\b.txt | C:\\Docs\\b.txt.ks7 | pw"}));
  // Decryption takes every file, whatever its extension.
  component->calls.clear();
  Run(main.cmddecrypt, "C:\\Docs\\", "pw", true);
  EXPECT_EQ(component->calls, (std::vector<std::string>{"PresetMode 4", "PresetFlag true",
                                                        "DecryptFile C:\\Docs\\a.txt | C:\\Docs\\a | pw",
                                                        "DecryptFile C:\\Docs\\b.txt | C:\\Docs\\b | pw"}));
}

// The failure rule: the description in red, "Include all files" cleared,
// progress and Abort left as they were; before a run, nothing happens.
TEST_F(EncryptionTabTest, FailuresAndEarlyStops) {
  const struct {
    const char* path;
    const char* password;
    bool decrypt;
    const char* red;  // nullptr: nothing shown, no run
    bool progress_shown;
  } cases[] = {
      {"C:\\Docs\\a.txt", "pw", false, "Path not found", true},  // Include checked on a file
      {"C:\\Missing", "pw", true, "Path not found", true},
      {"abc", "pw", true, "Invalid procedure call or argument", false},
      {"C:", "pw", true, nullptr, false},
      {"a", "pw", false, nullptr, false},
      {"C:\\Docs\\a.txt", "", false, nullptr, false},
  };
  for (const auto& run : cases) {
    for (ui::Control* shown : std::initializer_list<ui::Control*>{&main.cmdAbort, &main.lblprogress,
                                                                  &main.ProgressBar, &main.lblerr}) {
      shown->setVisible(false);
    }
    Run(run.decrypt ? main.cmddecrypt : main.cmdencrypt, run.path, run.password, run.red != nullptr);
    EXPECT_EQ(main.lblerr.visible(), run.red != nullptr) << run.path;
    EXPECT_EQ(main.lblerr.caption(), run.red != nullptr ? run.red : "") << run.path;
    EXPECT_FALSE(main.chkInclude.checked()) << run.path;
    EXPECT_EQ(main.cmdAbort.visible(), run.red != nullptr) << run.path;
    EXPECT_EQ(main.ProgressBar.visible(), run.progress_shown) << run.path;
    EXPECT_TRUE(main.cmdencrypt.enabled()) << run.path;
  }
  EXPECT_EQ(component->calls.size(), 4U) << "PresetMode and PresetFlag of the two folder runs only";
  EXPECT_EQ(fakes.dialogs.beeps, 2);
  ASSERT_EQ(fakes.dialogs.boxes().size(), 1U);
  EXPECT_EQ(fakes.dialogs.boxes()[0].text, "Enter a password to continue.");
  EXPECT_EQ(fakes.dialogs.boxes()[0].title, "Kestrove Pro");
  EXPECT_EQ(fakes.dialogs.boxes()[0].style, 0U) << "OK, no icon";
}

TEST_F(EncryptionTabTest, ProgressSetsTheBarWidth) {
  const std::pair<std::int32_t, int> steps[] = {{0, 0},      {1, 22},       {50, 1095}, {99, 2168},
                                                {100, 2190}, {40000, 2190}, {-3, 2190}};
  std::vector<int> widths;
  component->during_file = [&](const std::string&) {
    for (const auto& [percent, width] : steps) {
      component->on_progress(percent);
      widths.push_back(BarWidth());
    }
  };
  Run(main.cmdencrypt, "C:\\a.txt", "pw");
  ASSERT_EQ(widths.size(), std::size(steps));
  for (std::size_t i = 0; i < widths.size(); ++i) EXPECT_EQ(widths[i], steps[i].second) << steps[i].first;
  component->during_file = nullptr;
  Run(main.cmdencrypt, "C:\\a.txt", "pw");
  EXPECT_EQ(BarWidth(), 44) << "each run starts the bar afresh";
}

TEST_F(EncryptionTabTest, TheResultShownAfterARun) {
  component->during_file = [this](const std::string&) { Result(0, "All fine."); };
  Run(main.cmdencrypt, "C:\\a.txt", "pw");
  EXPECT_FALSE(main.lblerr.visible()) << "success changes nothing beyond the cleared text";
  component->during_file = [this](const std::string&) { Result(6, "Wrong password."); };
  Run(main.cmddecrypt, "C:\\a.txt.ks7", "pw");
  EXPECT_EQ(main.lblerr.caption(), "6 - Wrong password.");
  component->during_file = nullptr;
  Run(main.cmddecrypt, "C:\\a.txt.ks7", "pw");
  EXPECT_EQ(main.lblerr.caption(), "6 - Wrong password.") << "the last result is kept across runs";
  // A file of a folder that failed stays shown over later successes.
  component->during_file = [this](const std::string& source) {
    Result(source == "C:\\Docs\\a.txt" ? 2 : 0, source == "C:\\Docs\\a.txt" ? "Locked." : "Fine.");
  };
  Run(main.cmdencrypt, "C:\\Docs", "pw", true);
  EXPECT_EQ(main.lblerr.caption(), "2 - Locked.");
}

TEST_F(EncryptionTabTest, BrowsePutsTheChosenFileIntoThePathBox) {
  fakes.shell.browse_answers = {"C:\\Docs\\Chosen.doc", ""};
  main.cmdbrowse2.click();
  main.cmdbrowse2.click();
  EXPECT_EQ(main.txtenpath.text(), "C:\\Docs\\Chosen.doc") << "Cancel leaves the box";
  EXPECT_EQ(fakes.shell.browsed()[0].flags, 0x4000U);
  EXPECT_EQ(fakes.shell.browsed()[0].title, "Select a File:");
}

// The real component over the fake files.
class EncryptionTabFilesTest : public testing_support::ProgramTest {};

TEST_F(EncryptionTabFilesTest, MixedCasePasswordsOpenTheFileAndAWrongOneIsShownInRed) {
  const std::string content(300000, 'k');
  fakes.files.AddFolder("C:\\Docs");
  fakes.files.AddFile("C:\\Docs\\Report.doc", content);
  StartQuietly();
  const auto run = [&](ui::Button& button, const char* path, const char* password) {
    main.txtenpath.setText(path);
    main.txtenpwd.setText(password);
    button.click();
  };
  run(main.cmdencrypt, "C:\\Docs\\Report.doc", "Tavrolk Secret");
  EXPECT_EQ(main.lblerr.caption(), "");
  EXPECT_EQ(main.ProgressBar.bounds().width, 2190);
  fakes.files.Delete("C:\\Docs\\Report.doc");
  run(main.cmddecrypt, "C:\\Docs\\Report.doc.ks7", "tAVROLK sECRET");
  EXPECT_EQ(fakes.files.Content("C:\\Docs\\Report.doc"), content);
  fakes.files.Delete("C:\\Docs\\Report.doc");
  run(main.cmddecrypt, "C:\\Docs\\Report.doc.ks7", "wrong");
  EXPECT_EQ(main.lblerr.caption(), "6 - Wrong password.");
  EXPECT_FALSE(fakes.files.Content("C:\\Docs\\Report.doc").has_value());
}

}  // namespace
