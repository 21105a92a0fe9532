// The program as the Windows benches drive it: the real services and
// renderer, the configuration loaded from the registry, and nothing else of
// the start (no prompt, no tray icon timers of the main window's load).
#pragma once

#include <windows.h>

#include "app/program.h"
#include "platform/win32/win32_services.h"
#include "ui/win32/win32_form_host.h"

namespace bench {

struct BenchProgram {
  explicit BenchProgram(HINSTANCE instance)
      : services(instance), host(instance), program(services.services(), host), os(services.services()) {
    program.frmkestrove.GetConfig();
  }

  platform::win32::Win32Services services;
  ui::win32::Win32FormHost host;
  app::Program program;
  platform::Services os;
};

}  // namespace bench
