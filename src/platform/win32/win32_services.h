// Every win32 backend in one bundle: what main hands to the program.
#pragma once

#include <windows.h>

#include "platform/services.h"
#include "platform/win32/win32_crypto.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_event_log.h"
#include "platform/win32/win32_event_loop.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_system.h"

namespace platform::win32 {

class Win32Services {
 public:
  // instance: the executable, whose resources hold the icons. Creates the
  // event loop's window, so it must be built on the window thread.
  explicit Win32Services(HINSTANCE instance);

  Services services() {
    return Services{desktop_, registry_, loop_,  shell_, process_, crypto_,
                    files_,   dialogs_,  clock_, text_,  events_};
  }

  Win32Desktop& desktop() { return desktop_; }
  Win32Registry& registry() { return registry_; }
  Win32EventLoop& loop() { return loop_; }
  Win32Shell& shell() { return shell_; }
  Win32Process& process() { return process_; }

 private:
  Win32Desktop desktop_;
  Win32Registry registry_;
  Win32EventLoop loop_;
  Win32Shell shell_;
  Win32Process process_;
  Win32Crypto crypto_;
  Win32Files files_;
  Win32Dialogs dialogs_;
  Win32Clock clock_;
  Win32Text text_;
  Win32EventLog events_;
};

}  // namespace platform::win32
