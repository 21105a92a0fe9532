// The count-down of the daily usage allowance: once a minute, one minute
// less; the last nine beep; at the end a lock that cannot be cancelled.
#pragma once

#include "engine/context.h"
#include "engine/frm_tick_count.h"
#include "engine/locks.h"
#include "ui/control.h"

namespace engine {

class SessionLimit {
 public:
  // tmrTimer: the main window's timer that drives the count-down.
  SessionLimit(Context& context, Locks& locks, FrmTickCount& frmtickCount, ui::Timer& tmrTimer)
      : context_(context), locks_(locks), frmtickCount_(frmtickCount), tmrTimer_(tmrTimer) {}

  // tmrTimer's tick: one minute of today's allowance. Each step is skipped
  // when it fails; nothing is reported.
  void SessionTick();

 private:
  Context& context_;
  Locks& locks_;
  FrmTickCount& frmtickCount_;
  ui::Timer& tmrTimer_;
};

}  // namespace engine
