// How long a configuration load takes under Wine or on Windows, with empty
// lists (no list keys, and list keys with no values) and with 1000 tasks and
// 1000 ignore entries; beside it, in the same run, the two lists read as they
// were before: a yield to the message queue and an open, a query and a close
// of the key for each of the 2000 values. Then where an empty load's time
// went: each of those steps alone, 2000 times. Run by hand in a throwaway
// prefix (it rewrites HKLM\Software\KSV and removes it):
//   wine build/windows/bin/get_config_time.exe
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "config/configuration.h"
#include "config/registry_layout.h"
#include "platform/win32/win32_event_loop.h"
#include "platform/win32/win32_registry.h"

namespace {

// Median milliseconds of `rounds` runs of fn.
template <typename Fn>
double MedianMs(int rounds, Fn fn) {
  std::vector<double> ms;
  for (int i = 0; i < rounds; ++i) {
    const auto start = std::chrono::steady_clock::now();
    fn();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

std::string ValueName(int n) {
  return std::string(config::kListValuePrefix) + std::to_string(n);
}

// The two lists as they were read before: per value a yield and a read that
// opens and closes the key.
std::size_t ListsAsBefore(config::RegistryEdit& registry, platform::EventLoop& loop) {
  std::size_t rows = 0;
  for (const std::string_view key : {config::kTasksKey, config::kIgnoreListKey}) {
    for (int n = 0; n < config::kMaxListValues; ++n) {
      loop.DoEvents();
      if (!registry.ReadString(config::kMachine, key, ValueName(n)).empty()) ++rows;
    }
  }
  return rows;
}

}  // namespace

int main() {
  platform::win32::Win32Registry win32_registry;
  platform::win32::Win32EventLoop loop(::GetModuleHandleW(nullptr));
  config::RegistryEdit registry(win32_registry);
  constexpr int kRounds = 7;
  std::size_t rows = 0;
  std::size_t rows_before = 0;
  const auto load = [&] {
    const config::Configuration c = config::LoadConfiguration(registry, loop);
    rows = c.tasks.size() + c.ignoreList.size();
  };
  const auto before = [&] { rows_before = ListsAsBefore(registry, loop); };

  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\KSV");
  const double no_keys = MedianMs(kRounds, load);
  const double no_keys_before = MedianMs(kRounds, before);
  registry.CreateKey(config::kMachine, config::kTasksKey);
  registry.CreateKey(config::kMachine, config::kIgnoreListKey);
  const double empty_keys = MedianMs(kRounds, load);
  const double empty_keys_before = MedianMs(kRounds, before);

  // Where the empty lists' 2000 reads went, step by step.
  const double yields = MedianMs(kRounds, [&] {
    for (int n = 0; n < 2000; ++n) loop.DoEvents();
  });
  const double open_close = MedianMs(kRounds, [&] {
    for (int n = 0; n < 2000; ++n) {
      const platform::ScopedKey key(win32_registry,
                                    win32_registry.OpenKey(config::kMachine, config::kTasksKey,
                                                           platform::RegistryService::Access::kRead));
    }
  });
  const double queries = MedianMs(kRounds, [&] {
    config::RegistryEdit::KeyReader reader(registry, config::kMachine, config::kTasksKey);
    for (int n = 0; n < 2000; ++n) static_cast<void>(reader.ReadString(ValueName(n % 1000)));
  });

  for (int n = 0; n < config::kMaxListValues; ++n) {
    registry.WriteString(config::kMachine, config::kTasksKey, ValueName(n),
                         "Protected program number " + std::to_string(n) + ",1");
    registry.WriteString(config::kMachine, config::kIgnoreListKey, ValueName(n),
                         "ignored " + std::to_string(n));
  }
  const double full = MedianMs(kRounds, load);
  const double full_before = MedianMs(kRounds, before);
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\KSV");

  std::printf("median of %d loads            whole load now   the lists as before\n", kRounds);
  std::printf("empty lists, no list keys:     %8.1f ms      %8.1f ms\n", no_keys, no_keys_before);
  std::printf("empty lists, keys, no values:  %8.1f ms      %8.1f ms\n", empty_keys, empty_keys_before);
  std::printf("1000 tasks + 1000 ignore:      %8.1f ms      %8.1f ms  (%zu/%zu rows)\n", full, full_before,
              rows, rows_before);
  std::printf("2000 of each step alone: yield %.1f ms, open+close %.1f ms, query on an open key %.1f ms\n",
              yields, open_close, queries);
  return rows == 2000 && rows_before == 2000 ? 0 : 1;
}
