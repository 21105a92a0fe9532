// The count-down of the daily usage allowance: once a minute, one minute
// less; the last nine beep; at the end a lock that cannot be cancelled.
#include <string>

#include "app/failure_report.h"
#include "app/program.h"
#include "config/registry_layout.h"

namespace app {

// Each step is skipped when it fails; nothing is reported.
void FrmKestrove::SessionTick() {
  engine::Globals& g = program_.globals;
  if (g.sessionMinutesLeft <= 1) {
    program_.RaiseLock(engine::ExpiredSessionLock());
    g.startupLockDone = true;
    tmrTimer.setTimerEnabled(false);
    SkipOnFailure([this] { program_.frmtickCount.Unload(); });
  }
  if (g.sessionMinutesLeft != 0) {
    --g.sessionMinutesLeft;
    FrmTickCount& window = program_.frmtickCount;
    // The window is closed once the allowance is used up; it stays closed.
    if (window.loaded()) {
      SkipOnFailure([&] {
        window.txttickCount.setCaption(std::to_string(g.sessionMinutesLeft) + " Minutes.");
        if (g.sessionMinutesLeft <= 9) {
          window.txttickCount.setForeColor(ui::kRed);
          program_.os.dialogs.Beep();
        }
      });
    }
  }
  SkipOnFailure([&] {
    program_.settings.SaveSetting(config::kStoreApp, config::kStoreSection, "tickCount",
                                  std::to_string(g.sessionMinutesLeft));
  });
}

}  // namespace app
