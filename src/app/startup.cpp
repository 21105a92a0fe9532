// Start-up and shutdown of the program: the main window's load handler, the
// password gate on its activation, the tray icon's callback, a second start
// of the program, the restart guard and Exit, and the start-up half of the
// daily usage limit.
#include <charconv>
#include <string>

#include "app/day_stamp.h"
#include "app/general.h"
#include "app/program.h"
#include "config/registry_layout.h"
#include "engine/event_reports.h"
#include "engine/failure_report.h"
#include "platform/dialog_service.h"

namespace app {

using config::kMachine;
using engine::SkipOnFailure;

namespace {

constexpr std::uint32_t kLeftDoubleClick = 0x203;  // WM_LBUTTONDBLCLK
constexpr char kUpdateCaption[] = "Kestrove Pro 2011 Update";

// A whole decimal number, or nothing.
std::optional<int> ToNumber(std::string_view text) {
  int value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
    return std::nullopt;
  return value;
}

}  // namespace

// Each statement is independent: one that fails is skipped and start-up goes
// on, reporting nothing.
void FrmKestrove::OnLoad() {
  engine::Globals& g = program_.globals();
  platform::Services& os = program_.os();
  SkipOnFailure([this] { StartupDelay(); });
  // A copy that finds another one running ends here, unseen.
  if (os.process.AnotherInstanceRunning()) EndProgram(program_);
  SkipOnFailure([&] {
    if (os.windows.FindByTitle(kRunningTitle) == platform::kNoWindow) {
      setCaption(std::string(kRunningTitle));
      timerInstance.setTimerEnabled(true);
    }
  });
  SkipOnFailure([&] {
    const platform::ProgramVersion version = os.process.ExecutableVersion();
    version_text_ = std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
                    std::to_string(version.revision);
  });
  SkipOnFailure([&] { g.appFolder = os.process.ExecutableFolder(); });
  SkipOnFailure([&] {
    // Start with Windows; a value that is there, wherever it points, stays.
    // Quoted, so that a folder with blanks ("Program Files") is not read as
    // a program "C:\Program" with arguments.
    if (program_.registry().ReadString(kMachine, config::kRunKey, config::kRunValue).empty()) {
      program_.registry().WriteString(kMachine, config::kRunKey, config::kRunValue,
                                      "\"" + g.appFolder + "kstrv7.exe\"");
    }
  });
  SkipOnFailure([this] { RemoveCloseCommand(program_, window()); });
  loadSave_.StartFilling();
  bool session_expired = false;
  SkipOnFailure([&] { session_expired = StartDailyLimit(); });
  SkipOnFailure([&] {
    g.messageText = "An update may be available, would you like to check?";
    program_.frmError.Load();
    program_.frmError.setCaption(kUpdateCaption);
    program_.frmError.chkShowAgain.setVisible(true);
    program_.frmError.Present();
  });
  timerKestrove.setTimerEnabled(true);
  tmrForeground.setTimerEnabled(true);
  SkipOnFailure([this] { lblAbout.setCaption("Version: " + version_text_ + "\rRelease: 2011\r"); });
  GetConfig();
  g.startupLockDone = true;
  // Only now: raised before the load, the lock's prompt would have taken
  // the default password while the stored one was still being read.
  if (session_expired) {
    SkipOnFailure([this] { program_.RaiseLock(engine::ExpiredSessionLock()); });
    engine::ReportAllowanceUsedUp(program_.context());
  }
}

// About a second with messages flowing, while the window is titled "0": a
// copy started while another runs is seen by the running one meanwhile.
void FrmKestrove::StartupDelay() {
  Timer1.setTimerEnabled(true);
  while (loaded() && Timer1.timerEnabled()) loop().WaitForEvents();
}

bool FrmKestrove::StartDailyLimit() {
  engine::Globals& g = program_.globals();
  platform::SettingsStore& store = program_.settings();
  const auto get = [&](std::string_view key) {
    return store.GetSetting(config::kStoreApp, config::kStoreSection, key);
  };
  const DayStamp today = TodayStamp(program_.os().clock.Now());
  const std::string date = get(config::kStoreDate);
  const std::string ticks = get(config::kStoreTickCount);
  const std::string limit = get(config::kStoreTimer);
  // A counter that is not a number leaves the minutes as they were (0 at
  // start): a broken counter on the same day counts as time used up.
  if (const auto minutes = ToNumber(ticks)) g.sessionMinutesLeft = *minutes;
  txtrelock.setText(limit);
  if (limit.empty() || limit == "0") return false;

  engine::FrmTickCount& window = program_.frmtickCount;
  const auto show_minutes = [&](const std::string& minutes_text) {
    window.Show();
    window.txttickCount.setCaption(minutes_text + " Minutes.");
    if (g.sessionMinutesLeft <= 9) window.txttickCount.setForeColor(ui::kRed);
  };
  bool expired = false;
  const std::optional<DayStamp> stored = ParseStamp(date);
  if (!stored || *stored != today) {
    store.SaveSetting(config::kStoreApp, config::kStoreSection, config::kStoreDate, StampText(today));
    store.SaveSetting(config::kStoreApp, config::kStoreSection, config::kStoreTickCount, limit);
    if (const auto minutes = ToNumber(limit)) g.sessionMinutesLeft = *minutes;
    show_minutes(limit);
  } else if (g.sessionMinutesLeft > 0) {
    show_minutes(std::to_string(g.sessionMinutesLeft));
  } else {
    // The lock stands for the start-up lock too; the start raises it once
    // the configuration is loaded.
    expired = true;
    g.startupLockDone = true;
  }
  tmrTimer.setTimerEnabled(true);
  return expired;
}

// The configuration is only ever seen after the password.
void FrmKestrove::OnActivate() {
  engine::Globals& g = program_.globals();
  if (g.configAuthorised) return;
  // Hidden first: a password answered at once must not find it still up.
  Hide();
  program_.RaiseLock(engine::ConfigLock(std::nullopt));
}

// Only a left double-click on the tray icon acts; there is no tray menu.
void FrmKestrove::OnTrayMessage(std::uint32_t message, std::intptr_t lparam) {
  if (message != platform::kTrayCallbackMessage) return;
  if ((static_cast<std::uint32_t>(lparam) & 0xFFFFU) != kLeftDoubleClick) return;
  program_.RaiseLock(engine::ConfigLock("Configuration"));
}

// A second copy is titled "0" during its start-up delay. Its prompt waits
// for the configuration, as every lock does.
void FrmKestrove::InstanceTick() {
  if (!loadSave_.configLoaded()) return;
  if (program_.os().windows.FindByTitle(kStartingTitle) == platform::kNoWindow) return;
  program_.RaiseLock(engine::ConfigLock(kRunningTitle));
}

// Closing the main window by any means but Exit or the end of the Windows
// session starts a fresh copy first; the close is never cancelled.
void FrmKestrove::OnQueryUnload(ui::UnloadRequest& request) {
  const engine::Globals& g = program_.globals();
  if (g.exitRequested || request.reason == ui::UnloadReason::kWindowsEnding) return;
  SkipOnFailure([this] { setCaption(std::string(kRestartingTitle)); });
  // The fresh copy must find no running copy, however long this one takes
  // to end.
  SkipOnFailure([this] { program_.os().process.ReleaseInstanceClaim(); });
  SkipOnFailure([&] {
    program_.os().process.Start(g.appFolder + "kstrv7.exe", platform::ShowCommand::kShowMinimized);
  });
}

void FrmKestrove::Exit() {
  const int answer = program_.os().dialogs.ShowMessageBox(
      window(), "This will remove kestrove from memory and disable Task Locking until Windows restarts. ",
      "Exit Kestrove Pro 2011", platform::box::kOkCancel | platform::box::kIconExclamation);
  if (answer == platform::box::kAnswerCancel) return;
  program_.globals().exitRequested = true;
  EndProgram(program_);
}

}  // namespace app
