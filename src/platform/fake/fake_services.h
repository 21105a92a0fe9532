// Every fake backend in one bundle, for host tests.
#pragma once

#include <algorithm>
#include <functional>

#include "platform/fake/fake_desktop.h"
#include "platform/fake/fake_event_log.h"
#include "platform/fake/fake_event_loop.h"
#include "platform/fake/fake_registry.h"
#include "platform/fake/fake_shell.h"
#include "platform/fake/fake_system.h"
#include "platform/fake/host_crypto.h"
#include "platform/services.h"

namespace platform::fake {

// The host build's crypto with the faults and hooks tests need. A
// derivation does at most kMostIterations rounds, whatever count it is asked
// for, so that tests of the program do not spend a second on each password;
// the same count still gives the same key.
class FakeCrypto : public HostCrypto {
 public:
  static constexpr std::uint32_t kMostIterations = 1000;
  // The random source fails from now on.
  bool random_fails = false;
  // Runs at the start of every derivation, on the thread that derives.
  std::function<void()> on_derive;

  std::vector<std::uint8_t> Pbkdf2Sha256(std::string_view password, const std::vector<std::uint8_t>& salt,
                                         std::uint32_t iterations, std::size_t length) override {
    if (on_derive) on_derive();
    return HostCrypto::Pbkdf2Sha256(password, salt, std::min(iterations, kMostIterations), length);
  }
  std::vector<std::uint8_t> RandomBytes(std::size_t count) override {
    if (random_fails) return {};
    return HostCrypto::RandomBytes(count);
  }
};

struct FakeServices {
  FakeDesktop desktop;
  FakeRegistry registry;
  FakeEventLoop loop;
  FakeShell shell;
  FakeProcess process;
  FakeCrypto crypto;
  FakeFiles files;
  FakeDialogs dialogs;
  FakeClock clock;
  FakeText text;
  FakeEventLog events;

  Services services() {
    return Services{desktop, registry, loop, shell, process, crypto, files, dialogs, clock, text, events};
  }
};

}  // namespace platform::fake
