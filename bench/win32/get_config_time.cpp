// How long a configuration load takes under Wine or on Windows: every one of
// the 1000 task numbers and 1000 ignore-list numbers is read, with a yield to
// the message queue before each, whether the lists are empty or full. Run by
// hand in a throwaway prefix (it rewrites HKLM\Software\KSV and removes it):
//   wine build/windows/bin/get_config_time.exe
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "config/configuration.h"
#include "config/registry_layout.h"
#include "platform/win32/win32_event_loop.h"
#include "platform/win32/win32_registry.h"

namespace {

double LoadMs(config::RegistryEdit& registry, platform::EventLoop& loop, int rounds, std::size_t& rows) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) {
    const config::Configuration c = config::LoadConfiguration(registry, loop);
    rows = c.tasks.size() + c.ignoreList.size();
  }
  const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
  return spent.count() / rounds;
}

}  // namespace

int main() {
  platform::win32::Win32Registry win32_registry;
  platform::win32::Win32EventLoop loop(::GetModuleHandleW(nullptr));
  config::RegistryEdit registry(win32_registry);
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\KSV");
  std::size_t rows = 0;
  const double empty = LoadMs(registry, loop, 5, rows);
  for (int n = 0; n < config::kMaxListValues; ++n) {
    registry.WriteString(config::kMachine, config::kTasksKey, "Task" + std::to_string(n),
                         "Protected program number " + std::to_string(n) + ",1");
    registry.WriteString(config::kMachine, config::kIgnoreListKey, "Task" + std::to_string(n),
                         "ignored " + std::to_string(n));
  }
  const double full = LoadMs(registry, loop, 5, rows);
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\KSV");
  std::printf("load, empty lists:          %.1f ms\n", empty);
  std::printf("load, 1000 tasks + 1000 ignore entries (%zu rows): %.1f ms\n", rows, full);
  std::printf("ratio full/empty: %.2f\n", empty > 0 ? full / empty : 0.0);
  return rows == 2000 ? 0 : 1;
}
