// The event loop's window events against another program's window (Notepad):
// what reaches the watcher under Wine, and that a burst of events reaches it
// as one call.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_event_loop.h"
#include "win32/win32_test_support.h"

namespace {

class WindowEventsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    loop.WatchWindowEvents([this] {
      ++calls;
      seen_in_front.push_back(::GetForegroundWindow());
    });
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring command = L"notepad.exe";
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &process));
    ASSERT_TRUE(Pump([this] {
      notepad = FindNotepad();
      return notepad != nullptr && ::IsWindowVisible(notepad) != FALSE;
    }));
  }
  void TearDown() override {
    if (notepad != nullptr) ::PostMessageW(notepad, WM_CLOSE, 0, 0);
    if (process.hProcess != nullptr) {
      if (::WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
        ::TerminateProcess(process.hProcess, 1);
      ::CloseHandle(process.hProcess);
      ::CloseHandle(process.hThread);
    }
  }
  HWND FindNotepad() const {
    for (HWND w = ::FindWindowW(L"Notepad", nullptr); w != nullptr;
         w = ::FindWindowExW(nullptr, w, L"Notepad", nullptr)) {
      DWORD owner = 0;
      ::GetWindowThreadProcessId(w, &owner);
      if (owner == process.dwProcessId) return w;
    }
    return nullptr;
  }
  bool Pump(const std::function<bool()>& done) {
    return win32_test::PumpUntil(done, [this] { loop.DoEvents(); });
  }
  // Our own window forward, then Notepad's, each time waiting until
  // Notepad's thread has taken the change in. The wait handles only sent
  // messages, which carry the window events to the hooks: the posted call
  // to the watcher waits for the next pump.
  void BringForward() {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    const DWORD thread = ::GetWindowThreadProcessId(notepad, nullptr);
    const auto active = [&] { return ::GetGUIThreadInfo(thread, &info) && info.hwndActive == notepad; };
    const auto wait = [](const std::function<bool()>& done) {
      ASSERT_TRUE(win32_test::PumpUntil(done, [] {
        MSG message;
        ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
      }));
    };
    ::SetForegroundWindow(own.get());
    wait([&] { return !active(); });
    ::SetForegroundWindow(notepad);
    wait([&] { return active() && info.hwndFocus != nullptr; });
  }
  platform::win32::Win32EventLoop loop;
  std::vector<HWND> seen_in_front;  // the foreground at each call
  PROCESS_INFORMATION process{};
  HWND notepad = nullptr;
  platform::win32::UniqueWindow own{::CreateWindowExW(0, L"Static", L"KSV Window Events",
                                                      WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 320, 200,
                                                      nullptr, nullptr, nullptr, nullptr)};
  int calls = 0;
};

// Wine 8 sends no foreground, show or title event (a rename or a show of
// Notepad reaches no hook at all); the focus moving into Notepad's window as
// it comes forward does.
TEST_F(WindowEventsTest, AnotherProgramComingForwardReachesTheWatcherAndABurstReachesItOnce) {
  int before = calls;
  BringForward();
  EXPECT_TRUE(Pump([&] { return calls > before; })) << "Notepad brought forward";

  loop.DoEvents();
  before = calls;
  for (int i = 0; i < 3; ++i) BringForward();
  ASSERT_TRUE(Pump([&] { return calls > before; }));
  loop.DoEvents();
  // One call for the burst; Wine may deliver the last focus event only after
  // that call, which then is news and gives one more.
  EXPECT_LE(calls - before, 2) << "three times forward before the window thread looked";

  loop.WatchWindowEvents(nullptr);
  before = calls;
  BringForward();
  loop.DoEvents();
  EXPECT_EQ(calls, before) << "no call once the watch has ended";
}

// Wine sends the focus moving into a starting program's window before that
// window becomes the foreground: the call that follows the foreground must
// still come, without another event, long before any timer would look.
TEST_F(WindowEventsTest, AProgramStartingInFrontIsSeenInFrontByACall) {
  EXPECT_TRUE(Pump([&] { return std::ranges::find(seen_in_front, notepad) != seen_in_front.end(); }))
      << calls << " calls, none with Notepad in front";
}

}  // namespace
