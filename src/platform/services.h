// The bundle of outside services handed to the program at composition: main
// builds it from the win32 backends, tests from the fakes.
#pragma once

#include "platform/clock_service.h"
#include "platform/crypto_service.h"
#include "platform/dialog_service.h"
#include "platform/event_log_service.h"
#include "platform/event_loop.h"
#include "platform/file_service.h"
#include "platform/process_service.h"
#include "platform/registry_service.h"
#include "platform/shell_service.h"
#include "platform/text_service.h"
#include "platform/window_service.h"

namespace platform {

struct Services {
  WindowService& windows;
  RegistryService& registry;
  EventLoop& loop;
  ShellService& shell;
  ProcessService& process;
  CryptoService& crypto;
  FileService& files;
  DialogService& dialogs;
  ClockService& clock;
  TextService& text;
  EventLogService& events;
};

}  // namespace platform
