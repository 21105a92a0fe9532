// The events the program writes to the event log, through the fake log: each
// kind with its id and texts, and the same action with a log that fails.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/program_fixture.h"
#include "support/registry_files.h"

namespace {

using Event = platform::fake::FakeEventLog::Event;
using platform::EventId;
using Outcome = platform::RunResult::Outcome;

constexpr char kFile[] = "C:\\Shared\\kstrv7.reg";
constexpr const char* kDrop = testing_support::kDropFile;
constexpr const char* kGood = testing_support::kGoodRegFile;
constexpr const char* kRun = testing_support::kRunRegFile;
constexpr const char* kOutside = testing_support::kRunRefusal;
constexpr platform::RunResult kExitedOk{Outcome::kExited, 0}, kExitedWithError{Outcome::kExited, 1},
    kNotStarted{Outcome::kNotStarted, 0};
constexpr char kByTab[] = "Import on the Users tab";
constexpr char kByDrop[] = "Automatic update from the save folder";

class EventLogTest;

}  // namespace

namespace platform::fake {
void PrintTo(const FakeEventLog::Event& event, std::ostream* os) {
  *os << static_cast<int>(event.id) << ":";
  for (const std::string& text : event.texts) *os << " [" << text << "]";
}
}  // namespace platform::fake

namespace {

struct EventCase {
  const char* name;
  // Does what the event reports and returns what the user would see of it.
  std::function<std::string(EventLogTest&)> act;
  std::string seen;
  std::vector<Event> events;
};

class EventLogTest : public testing_support::ProgramTest,
                     public ::testing::WithParamInterface<std::tuple<EventCase, bool>> {
 public:
  // A lock on Notepad, whose title tries to forge a line of the event.
  std::string LockNotepad() {
    PutTask(0, "Notepad,1");
    main.GetConfig();
    notepad = Foreground("Notes\r\nLock: none - Notepad");
    Tick();
    return record.lockReason;
  }
  // The configuration window opened with the password; its answer's event
  // is not the case's.
  void Open() {
    OpenConfiguration();
    fakes.events.events.clear();
  }
  std::string Import(const char* content, platform::RunResult result) {
    Open();
    tool = result;
    fakes.files.AddFile(kFile, content);
    fakes.shell.browse_answers = {kFile};
    main.cmdImport.click();
    return main.lstTasks.list(0) + "|" + LastBox();
  }
  std::string DropFile(const char* content, platform::RunResult result) {
    tool = result;
    fakes.files.AddFile(kDrop, content);
    fakes.loop.Advance(60000);
    return main.lstTasks.list(0) + "|" + LastBox();
  }
  std::string LastBox() { return fakes.dialogs.boxes().empty() ? "" : fakes.dialogs.boxes().back().text; }

  platform::WindowId notepad = platform::kNoWindow;
  platform::RunResult tool;
};

void PrintTo(const EventCase& c, std::ostream* os) {
  *os << c.name;
}

const EventCase kCases[] = {
    {"WrongPasswordAtATaskLock",
     [](EventLogTest& t) {
       t.LockNotepad();
       t.Type("guess");
       return t.prompt.lblDefaultPass.caption();
     },
     "Password is Invalid.",
     {{EventId::kWrongPassword, {"Protected task", "Notepad", "Notes  Lock: none - Notepad"}}}},
    {"TaskLockAnswered",
     [](EventLogTest& t) {
       t.LockNotepad();
       t.Type("tavrolk");
       return t.fakes.desktop.Get(t.notepad).title + (t.Hidden(t.notepad) ? " hidden" : " shown");
     },
     "Notepad shown",
     {{EventId::kLockAnswered, {"Protected task", "Notepad", "Notes  Lock: none - Notepad"}}}},
    {"WrongPasswordAtTheRegistryEditor",
     [](EventLogTest& t) {
       t.g.ruleRegistryTools = true;
       t.Foreground("Registry Editor", "RegEdit_RegEdit");
       t.Tick();
       t.Type("guess");
       return t.record.lockReason;
     },
     "reg",
     {{EventId::kWrongPassword, {"Registry tools", "Registry Tools", "Registry Editor"}}}},
    {"WrongPasswordForTheConfiguration",
     [](EventLogTest& t) {
       t.main.on_message(platform::kTrayCallbackMessage, 0, 0x203);
       t.Type("guess");
       return t.record.lockReason + (t.main.visible() ? " shown" : " hidden");
     },
     "cfg hidden",
     {{EventId::kWrongPassword, {"Configuration window", "", ""}}}},
    {"AllowanceUsedUp",
     [](EventLogTest& t) {
       t.g.sessionMinutesLeft = 1;
       t.main.tmrTimer.setTimerEnabled(true);
       t.fakes.loop.Advance(60000);
       return t.record.lockedTaskEntry + (t.prompt.visible() ? " prompt" : "");
     },
     "Expired Windows® Session prompt",
     {{EventId::kAllowanceUsedUp, {}}}},
    {"ConfigurationApplied",
     [](EventLogTest& t) {
       t.Open();
       t.main.lstignore.addItem("pad");
       t.main.cmdok.click();
       const auto stored = t.Stored(config::kIgnoreListKey);
       return stored.empty() ? "" : stored[0];
     },
     "pad",
     {{EventId::kConfigurationApplied, {"1", "1"}}}},
    {"ImportedOnTheUsersTab",
     [](EventLogTest& t) { return t.Import(kGood, kExitedOk); },
     "Imported|",
     {{EventId::kConfigurationImported, {kFile, kByTab}}}},
    {"RefusedOnTheUsersTab",
     [](EventLogTest& t) { return t.Import(kRun, {}); },
     "Before|The configuration was not imported from " + std::string(kFile) + ": " + kOutside + ".",
     {{EventId::kConfigurationRefused, {kFile, kByTab, kOutside}}}},
    {"ImportedFromTheSaveFolder",
     [](EventLogTest& t) { return t.DropFile(kGood, kExitedOk); },
     "Imported|Auto-update of configuration completed on 1-January 0:00",
     {{EventId::kConfigurationImported, {kDrop, kByDrop}}}},
    {"RejectedByTheRegistryTool",
     [](EventLogTest& t) { return t.DropFile(kGood, kExitedWithError); },
     "Imported|The configuration was not imported from " + std::string(kDrop) +
         ": the registry tool reported an error (exit code 1). It was renamed to kstrv7.reg.rejected.",
     {{EventId::kConfigurationRefused,
       {kDrop, kByDrop, "the registry tool reported an error (exit code 1)"}}}},
    // Not run: tried again a minute later, and written only once it is decided.
    {"ImportNotRunWritesNothing",
     [](EventLogTest& t) { return t.DropFile(kGood, kNotStarted).substr(0, 7); },
     "Before|",
     {}},
};

// With a working log the action writes exactly its event; with a failing one
// it does the same and nothing is written.
TEST_P(EventLogTest, TheActionWritesItsEventAndAFailingLogChangesNothing) {
  const auto& [c, log_fails] = GetParam();
  fakes.events.fails = log_fails;
  fakes.clock.now = {2026, 1, 1, 0, 0, 0};
  fakes.process.on_run = [this](const auto&) {
    if (tool.outcome != Outcome::kNotStarted) PutTask(0, "Imported,1");
    return tool;
  };
  PutTask(0, "Before,1");
  StartQuietly();
  fakes.events.events.clear();
  EXPECT_EQ(c.act(*this), c.seen);
  EXPECT_EQ(fakes.events.events, log_fails ? std::vector<Event>{} : c.events);
}

INSTANTIATE_TEST_SUITE_P(Events, EventLogTest,
                         ::testing::Combine(::testing::ValuesIn(kCases), ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "WithAFailingLog" : "");
                         });

}  // namespace
