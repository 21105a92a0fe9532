// The daily usage count-down.
#include "engine/session_limit.h"

#include <string>

#include "config/registry_layout.h"
#include "engine/event_reports.h"
#include "engine/failure_report.h"

namespace engine {

void SessionLimit::SessionTick() {
  Globals& g = context_.globals;
  if (g.sessionMinutesLeft <= 1) {
    locks_.RaiseLock(ExpiredSessionLock());
    ReportAllowanceUsedUp(context_);
    g.startupLockDone = true;
    tmrTimer_.setTimerEnabled(false);
    SkipOnFailure([this] { frmtickCount_.Unload(); });
  }
  if (g.sessionMinutesLeft != 0) {
    --g.sessionMinutesLeft;
    // The window is closed once the allowance is used up; it stays closed.
    if (frmtickCount_.loaded()) {
      SkipOnFailure([&] {
        frmtickCount_.txttickCount.setCaption(std::to_string(g.sessionMinutesLeft) + " Minutes.");
        if (g.sessionMinutesLeft <= 9) {
          frmtickCount_.txttickCount.setForeColor(ui::kRed);
          context_.os.dialogs.Beep();
        }
      });
    }
  }
  SkipOnFailure([&] {
    context_.settings.SaveSetting(config::kStoreApp, config::kStoreSection, config::kStoreTickCount,
                                  std::to_string(g.sessionMinutesLeft));
  });
}

}  // namespace engine
