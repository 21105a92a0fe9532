// The ignore-list dialog and the Users tab through the models and the fakes:
// the stored list shown and rewritten without gaps, the reload that follows a
// Delete, the Administrator box stored at once, the session limit's box.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/program_fixture.h"

namespace {

using config::kIgnoreListKey;
using config::kMachine;
using config::kSettingsKey;
using config::kUser;
using Values = std::map<std::string, std::string>;  // value name -> text

class IgnoreListAndUsersTest : public testing_support::ProgramTest {
 protected:
  app::FrmIgnore& dialog = program.frmignore;

  Values Stored() {
    Values values;
    for (const std::string& name : fakes.registry.ValueNames(kMachine, kIgnoreListKey))
      values[name] = *fakes.registry.GetString(kMachine, kIgnoreListKey, name);
    return values;
  }
  // Brings the window to the front for one watch tick; whether it got locked.
  bool LockedAtTick(platform::WindowId window) {
    fakes.desktop.SetForeground(window);
    Tick();
    return fakes.desktop.Get(window).title == "###";
  }
};

TEST_F(IgnoreListAndUsersTest, DialogShowsTheStoredListAndDeleteRenumbersItSafely) {
  struct {
    const char* what;
    Values stored;
    std::vector<std::string> shown;
    int row;  // highlighted when Delete is pressed, -1 none
    Values after;
    bool read_only = false;  // an account that may not change the machine's settings
  } const cases[] = {
      {"a gap", {{"Task0", "Notepad"}, {"Task2", "Paint"}}, {"Notepad", "Paint"}, 0, {{"Task0", "Paint"}}},
      {"the only entry", {{"Task0", "Solo"}}, {"Solo"}, 0, {}},
      {"an empty value", {{"Task0", "A"}, {"Task1", ""}, {"Task2", "B"}}, {"A", "B"}, 1, {{"Task0", "A"}}},
      {"past Task999", {{"Task0", "A"}, {"Task1", "B"}, {"Task1000", "C"}}, {"A", "B"}, 1, {{"Task0", "A"}}},
      // Only Task<N> as written is a list value; the registry ignores the letter case of names.
      {"names that are no list value",
       {{"Task0", "A"}, {"task1", "B"}, {"Task2", "C"}, {"Task01", "X"}, {"Task 1", "Y"}, {"Task1x", "Z"}},
       {"A", "B", "C"},
       2,
       {{"Task0", "A"}, {"Task1", "B"}}},
      {"nothing highlighted", {{"Task0", "A"}}, {"A"}, -1, {{"Task0", "A"}}},
      {"no rights", {{"Task0", "A"}, {"Task1", "B"}}, {"A", "B"}, 0, {{"Task0", "A"}, {"Task1", "B"}}, true},
  };
  StartQuietly();
  OpenConfiguration();
  bool close_box = false;
  for (const auto& c : cases) {
    Tick();  // carries out the reload the case before asked for
    (void)fakes.registry.DeleteKey(kMachine, kIgnoreListKey);
    for (const auto& [name, text] : c.stored) fakes.registry.PutString(kMachine, kIgnoreListKey, name, text);
    main.cmdIgnore.click();
    EXPECT_TRUE(dialog.visible() && !main.enabled()) << c.what;
    EXPECT_EQ(testing_support::Rows(dialog.List1), c.shown) << c.what;

    if (c.read_only) fakes.registry.read_only_root = kMachine;
    // A program killed after any one write still finds the remaining entries.
    bool emptied = false;
    fakes.registry.after_write = [&] { emptied = emptied || Stored().empty(); };
    dialog.List1.setListIndex(c.row);
    dialog.CancelButton.click();
    fakes.registry.after_write = nullptr;
    fakes.registry.read_only_root.reset();
    EXPECT_EQ(emptied, c.after.empty()) << c.what;
    EXPECT_EQ(Stored(), c.after) << c.what;
    EXPECT_TRUE(fakes.registry.KeyExists(kMachine, kIgnoreListKey)) << c.what;
    EXPECT_EQ(program.reloadPending(), c.row >= 0) << c.what;
    std::vector<std::string> stored_texts;
    for (const auto& [name, text] : c.after) stored_texts.push_back(text);
    EXPECT_EQ(testing_support::Rows(dialog.List1), stored_texts)
        << c.what << ": the dialog shows what is stored";

    // Close and the close box by turns; either gives the main window back.
    if (std::exchange(close_box, !close_box)) {
      dialog.RequestClose(ui::UnloadReason::kUserClose);
    } else {
      dialog.OKButton.click();
    }
    EXPECT_TRUE(!dialog.loaded() && main.enabled()) << c.what;
  }
}

TEST_F(IgnoreListAndUsersTest, ADeletedEntryLocksAtTheNextTickAndAdministratorStopsAllLocking) {
  PutTask(0, "Notepad,1");
  PutIgnore(0, "Note");
  StartQuietly();
  OpenConfiguration();
  const platform::WindowId notepad = fakes.desktop.Open("Untitled - Notepad", "Notepad");
  const platform::WindowId other_notepad = fakes.desktop.Open("Notes - Notepad", "KsNotes");
  ASSERT_FALSE(LockedAtTick(notepad)) << "ignored";
  main.cmdIgnore.click();
  dialog.List1.setListIndex(0);
  dialog.CancelButton.click();
  dialog.OKButton.click();
  EXPECT_EQ(main.lstignore.listCount(), 1) << "the working copy follows at the tick";
  EXPECT_TRUE(LockedAtTick(notepad));
  EXPECT_EQ(main.lstignore.listCount(), 0);

  for (const bool exempt : {true, false}) {
    main.chkAdmin.click();
    EXPECT_EQ(fakes.registry.GetString(kUser, kSettingsKey, "CurrentUser"), exempt ? "Enabled" : "Disabled");
    EXPECT_EQ(g.userUnrestricted, exempt);
    ASSERT_TRUE(fakes.shell.tray_icon());
    EXPECT_EQ(fakes.shell.tray_icon()->tip,
              std::string("Kestrove Pro 2011 - ") + (exempt ? "Administrator" : "Standard User"));
    EXPECT_EQ(fakes.shell.tray_icon()->image,
              exempt ? platform::TrayIconImage::kUnlocked : platform::TrayIconImage::kProgram);
    EXPECT_EQ(LockedAtTick(other_notepad), !exempt);
  }
  EXPECT_FALSE(fakes.registry.Get(kMachine, kSettingsKey, "CurrentUser")) << "the account's own choice";

  // A load sets the box from the stored value and stores nothing back.
  fakes.registry.PutString(kUser, kSettingsKey, "CurrentUser", "Enabled");
  const int writes = fakes.registry.writes();
  main.GetConfig();
  EXPECT_TRUE(main.chkAdmin.checked() && g.userUnrestricted);
  EXPECT_EQ(fakes.registry.writes(), writes);
  // Another Windows account has its own HKEY_CURRENT_USER, without the value.
  (void)fakes.registry.DeleteKey(kUser, kSettingsKey);
  main.GetConfig();
  EXPECT_FALSE(main.chkAdmin.checked() || g.userUnrestricted);
}

TEST_F(IgnoreListAndUsersTest, SessionLimitBoxKeepsANumberAndApplyStoresAStoredOneWhole) {
  PutStore("timer", "1440");
  StartQuietly();
  OpenConfiguration();
  EXPECT_EQ(main.txtrelock.text(), "1440") << "longer than the typing limit of 3";
  PutStore("timer", "");
  main.cmdok.click();
  EXPECT_EQ(Store("timer"), "1440");

  const std::pair<const char*, const char*> cases[] = {
      {"", "0"},    {"x", "0"},   {"1x5", "0"},   {"1.5", "0"}, {"40000", "0"},
      {"15", "15"}, {"-5", "-5"}, {" 7 ", " 7 "}, {"+8", "+8"}, {"+-8", "0"},
  };
  for (const auto& [typed, kept] : cases) {
    main.txtrelock.setText("9");
    main.txtrelock.setText(typed);
    EXPECT_EQ(main.txtrelock.text(), kept) << '"' << typed << '"';
  }
}

}  // namespace
