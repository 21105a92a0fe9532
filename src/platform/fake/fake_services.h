// Every fake backend in one bundle, for host tests.
#pragma once

#include "platform/fake/fake_desktop.h"
#include "platform/fake/fake_event_loop.h"
#include "platform/fake/fake_registry.h"
#include "platform/fake/fake_shell.h"
#include "platform/fake/fake_system.h"
#include "platform/fake/host_crypto.h"
#include "platform/services.h"

namespace platform::fake {

struct FakeServices {
  FakeDesktop desktop;
  FakeRegistry registry;
  FakeEventLoop loop;
  FakeShell shell;
  FakeProcess process;
  HostCrypto crypto;
  FakeFiles files;
  FakeDialogs dialogs;
  FakeClock clock;
  FakeText text;

  Services services() {
    return Services{desktop, registry, loop, shell, process, crypto, files, dialogs, clock, text};
  }
};

}  // namespace platform::fake
