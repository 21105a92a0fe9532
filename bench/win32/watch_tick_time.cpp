// What one watch tick costs under Wine or on Windows, where every yield is a
// trip through the message queue and every allow row's clean-up asks the
// window manager for a class: 999 checked tasks found in Notepad's title,
// 1000 allow rows whose classes all exist (windows of this program), 1000
// ignore rows of which only the last is found in the entries; and the usual
// tick, 20 tasks none of them in the title. Beside it, in the same run, the
// scan as it was before it yielded by time (a yield and a copy of the row at
// every row), over the same lists. Run by hand in a throwaway prefix (it
// starts and ends a Notepad):
//   wine build/windows/bin/watch_tick_time.exe
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/program.h"
#include "bench_program.h"
#include "engine/text_match.h"
#include "platform/win32/win32_services.h"
#include "ui/win32/win32_form_host.h"

namespace {

using Clock = std::chrono::steady_clock;

// The scan, the allow test, the ignore test and the clean-up as they were:
// a yield and a copy of the entry at every row. Hides nothing (the bench's
// lists never lock). The built-in rules, all off here, are left out: they
// cost the same before and after.
void ScanAsBefore(app::Program& program, platform::Services os) {
  app::FrmKestrove& main = program.frmkestrove;
  const platform::WindowId foreground = os.windows.Foreground();
  const std::string title = os.windows.Title(foreground);
  const std::string class_name = os.windows.ClassName(foreground);
  const int task_count = main.lstTasks.listCount();
  for (int i = 0; i < task_count; ++i) {
    os.loop.DoEvents();
    if (!main.lstTasks.selected(i)) continue;
    const std::string entry = main.lstTasks.list(i);
    if (!engine::FoundIn(entry, title)) continue;
    bool allowed = false;
    const int allow_count = main.lstAllow.listCount();
    for (int j = 0; j < allow_count && !allowed; ++j) {
      os.loop.DoEvents();
      const std::string& row = main.lstAllow.list(j);
      allowed = row == class_name || row == title;
    }
    if (allowed) continue;
    bool ignored = false;
    const int ignore_count = main.lstignore.listCount();
    for (int k = 0; k < ignore_count && !ignored; ++k) {
      os.loop.DoEvents();
      ignored = engine::FoundIn(main.lstignore.list(k), entry);
    }
  }
  const int count = main.lstAllow.listCount();
  for (int j = 0; j < count; ++j) {
    os.loop.DoEvents();
    if (os.windows.FindByClass(main.lstAllow.list(j)) == platform::kNoWindow) return;
  }
}

template <typename Tick>
std::pair<double, double> BestAndMedianMs(int ticks, Tick tick) {
  std::vector<double> ms;
  for (int i = 0; i < ticks; ++i) {
    const auto start = Clock::now();
    tick();
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(ms.begin(), ms.end());
  return {ms.front(), ms[ms.size() / 2]};
}

}  // namespace

int main() {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  bench::BenchProgram bench(instance);
  platform::win32::Win32Services& services = bench.services;
  app::Program& program = bench.program;
  const platform::Services& os = bench.os;

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION notepad{};
  wchar_t command[] = L"notepad.exe";
  if (::CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &notepad) ==
      FALSE) {
    return 1;
  }
  HWND window = nullptr;
  for (int i = 0; i < 200 && window == nullptr; ++i) {
    ::Sleep(50);
    window = ::FindWindowW(L"Notepad", nullptr);
  }
  if (window == nullptr) return 1;

  app::FrmKestrove& main = program.frmkestrove;
  const auto usual = [&] {
    main.lstTasks.clear();
    main.lstAllow.clear();
    main.lstignore.clear();
    for (int i = 0; i < 20; ++i) main.lstTasks.addItem("Protected program " + std::to_string(i), true);
    for (int i = 0; i < 2; ++i) main.lstAllow.addItem("KsBenchClass" + std::to_string(i));
    for (int i = 0; i < 5; ++i) main.lstignore.addItem("ignore " + std::to_string(i));
  };
  const auto full = [&] {
    main.lstTasks.clear();
    main.lstAllow.clear();
    main.lstignore.clear();
    for (int i = 0; i < 999; ++i) main.lstTasks.addItem("Notepad", true);
    for (int i = 0; i < 1000; ++i) main.lstAllow.addItem("KsBenchClass" + std::to_string(i));
    for (int i = 0; i < 999; ++i) main.lstignore.addItem("ignore " + std::to_string(i));
    main.lstignore.addItem("pad");
  };
  // A hidden window of each allowed class, so the clean-up keeps every row.
  for (int i = 0; i < 1000; ++i) {
    const std::wstring name = L"KsBenchClass" + std::to_wstring(i);
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = ::DefWindowProcW;
    window_class.hInstance = instance;
    window_class.lpszClassName = name.c_str();
    ::RegisterClassW(&window_class);
    ::CreateWindowW(name.c_str(), L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
  }
  ::SetForegroundWindow(window);
  services.loop().DoEvents();

  usual();
  const auto [usual_after, usual_after_median] =
      BestAndMedianMs(200, [&] { program.frmkestrove.timerKestrove.on_timer(); });
  const auto [usual_before, usual_before_median] = BestAndMedianMs(200, [&] { ScanAsBefore(program, os); });
  full();
  const auto [full_after, full_after_median] =
      BestAndMedianMs(10, [&] { program.frmkestrove.timerKestrove.on_timer(); });
  const bool scanned = os.windows.Title(os.windows.Foreground()) == "Untitled - Notepad" &&
                       program.lockRecord().lockReason.empty();
  const auto [full_before, full_before_median] = BestAndMedianMs(3, [&] { ScanAsBefore(program, os); });
  // Of which the clean-up's look for each allowed class.
  const auto [find_all, find_all_median] = BestAndMedianMs(10, [&] {
    for (int j = 0; j < main.lstAllow.listCount(); ++j)
      static_cast<void>(os.windows.FindByClass(main.lstAllow.list(j)));
  });

  std::printf("usual tick (20 tasks), best/median:  before %.3f/%.3f ms  after %.3f/%.3f ms\n", usual_before,
              usual_before_median, usual_after, usual_after_median);
  std::printf("worst tick (999/1000/1000), best/median: before %.1f/%.1f ms  after %.1f/%.1f ms\n",
              full_before, full_before_median, full_after, full_after_median);
  std::printf("of which 1000 looks for a window of a class, best/median: %.1f/%.1f ms\n", find_all,
              find_all_median);
  if (!scanned) std::printf("the ticks did not scan the Notepad window\n");
  ::TerminateProcess(notepad.hProcess, 0);
  ::CloseHandle(notepad.hThread);
  ::CloseHandle(notepad.hProcess);
  return scanned ? 0 : 1;
}
