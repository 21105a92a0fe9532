// The running program as the lock engine sees it: the outside services, the
// registry access layer and the per-user store, the program-wide state and
// the tray icon record, and the few things it asks of the application.
// Knows nothing of the application's windows.
#pragma once

#include <string>

#include "config/registry_edit.h"
#include "engine/globals.h"
#include "platform/services.h"
#include "platform/settings_store.h"
#include "platform/shell_service.h"

namespace engine {

// What the engine asks of the application, which implements it.
class Application {
 public:
  virtual ~Application() = default;
  // Shows a message in the message dialog, as an ordinary message.
  virtual void ShowMessage(std::string text) = 0;
  // The right password for the configuration: the configuration window is
  // shown.
  virtual void ShowConfiguration() = 0;
  // Reloads the whole configuration from the registry (GetConfig).
  virtual void ReloadConfiguration() = 0;
};

struct Context {
  Context(platform::Services services, Application& application)
      : os(services), registry(services.registry), settings(services.registry), app(application) {}

  platform::Services os;
  config::RegistryEdit registry;
  platform::SettingsStore settings;
  Globals globals;
  // The one tray icon record, reused for every add and delete.
  platform::TrayIconRecord trayIcon;
  Application& app;
};

}  // namespace engine
