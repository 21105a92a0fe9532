// End to end: kstrv7.exe started with the start-up lock on. Its prompt over the
// black cover holds against close requests and a forged end of the session
// from other programs; closing the configuration window behind it leaves one
// fresh copy; a second start raises the running copy's prompt and ends. With
// today's allowance used up, the prompt takes only the stored password.
#include "app/day_stamp.h"
#include "config/password.h"
#include "e2e/harness.h"
#include "platform/settings_store.h"
#include "platform/win32/win32_crypto.h"
#include "platform/win32/win32_system.h"

namespace e2e {
namespace {

// The black cover: the program's visible untitled window over the whole screen.
HWND Cover(const Process* kestrove) {
  RECT rect{};
  for (HWND window : FindWindows({.process_id = kestrove->Id(), .visible_only = true}))
    if (WindowTitle(window).empty() && ::GetWindowRect(window, &rect) && rect.left <= 0 && rect.top <= 0 &&
        rect.right >= ::GetSystemMetrics(SM_CXSCREEN) && rect.bottom >= ::GetSystemMetrics(SM_CYSCREEN))
      return window;
  return nullptr;
}

using Startup = Scenario;

TEST_F(Startup, TheLockHoldsAClosedCopyIsReplacedAndASecondCopyEnds) {
  registry_.DeleteValue(kMachine, kRunKey, "Kestrove Pro");
  registry_.WriteString(kMachine, kSettingsKey, "Startup", "1");
  const DWORD first = StartKestrove().Id();
  const HWND prompt = WaitForPrompt("for the start-up lock");
  ASSERT_NE(prompt, nullptr);
  const HWND cancel = FindChild(prompt, "Button", "Cancel");
  HWND cover = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        return IsShown(FindChild(prompt, "Edit")) && IsShown(FindChild(prompt, "Button", "OK")) &&
               IsShown(cancel) && !::IsWindowEnabled(cancel) && (cover = Cover(kestrove_)) != nullptr;
      },
      "the password box, OK, Cancel disabled, and the black cover"));
  const std::vector<HWND> z_order = FindWindows({.visible_only = true});
  EXPECT_LT(std::ranges::find(z_order, prompt), std::ranges::find(z_order, cover))
      << "the prompt is not above the cover";
  EXPECT_NE(::GetWindowLongW(prompt, GWL_EXSTYLE) & WS_EX_TOPMOST, 0) << "the prompt is not topmost";
  Screenshot("startup-prompt");
  const std::string run_value = "\"" + FromWide((BinDir() / kImage).wstring()) + "\"";
  EXPECT_TRUE(WaitUntil([&] { return registry_.ReadString(kMachine, kRunKey, "Kestrove Pro") == run_value; },
                        "the Run value " + run_value));

  // Other programs ask the prompt and the cover to close, and forge the end of the session.
  ::PostMessageW(prompt, WM_CLOSE, 0, 0);
  ::PostMessageW(prompt, WM_SYSCOMMAND, SC_CLOSE, 0);
  ::PostMessageW(cover, WM_CLOSE, 0, 0);
  for (const HWND window : FindWindows({.process_id = first})) {
    Send(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
    ::PostMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  }
  EXPECT_TRUE(HoldsFor(
      [&] {
        return IsShown(prompt) && IsShown(cover) && ProcessIdsByImage(kImage) == std::vector<DWORD>{first};
      },
      kThreeTicks, "the start-up prompt and its cover up, the program running alone"));

  // Another program's window maximised and brought to the front, the prompt moved off the
  // screen and the cover shrunk: soon the cover or the prompt lies under every corner and
  // the centre of the screen again, and the prompt has the front.
  const HelperWindow other = StartHelperWindow("KsOtherProgram", "Other Program", "");
  ::ShowWindow(other.window, SW_MAXIMIZE);
  ::SetForegroundWindow(other.window);
  ::SetWindowPos(prompt, nullptr, -2000, -2000, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::SetWindowPos(cover, nullptr, 0, 0, 10, 10, SWP_NOZORDER | SWP_NOACTIVATE);
  const auto held = [&] {
    const int left = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int right = left + ::GetSystemMetrics(SM_CXVIRTUALSCREEN) - 1;
    const int bottom = top + ::GetSystemMetrics(SM_CYVIRTUALSCREEN) - 1;
    for (const POINT point : {POINT{left, top}, POINT{right, top}, POINT{left, bottom}, POINT{right, bottom},
                              POINT{(left + right) / 2, (top + bottom) / 2}}) {
      const HWND root = ::GetAncestor(::WindowFromPoint(point), GA_ROOT);
      if (root != prompt && root != cover) return false;
    }
    return ::GetForegroundWindow() == prompt;
  };
  EXPECT_TRUE(WaitUntil(held, "the cover and the prompt over the whole screen again, the prompt in front"));
  EXPECT_TRUE(HoldsFor(held, kThreeTicks, "the cover and the prompt holding the screen"));
  Screenshot("startup-prompt-held");
  ASSERT_TRUE(other.process->End());

  // Closing the configuration window behind the prompt: one fresh copy that gets through
  // its own start-up, as the closed one gave up its claim first.
  ASSERT_TRUE(::PostMessageW(Config(), WM_CLOSE, 0, 0));
  std::vector<DWORD> copies;
  ASSERT_TRUE(WaitUntil(
      [&] {
        copies = ProcessIdsByImage(kImage);
        return copies.size() == 1 && copies[0] != first &&
               FirstWindow({.title = kConfigTitle, .process_id = copies[0]}) != nullptr;
      },
      "exactly one kstrv7.exe, not the closed one, owning the configuration window",
      std::chrono::seconds(20)));
  Adopt(copies[0]);
  ASSERT_TRUE(Unlock("of the fresh copy", [&] { return IsShown(Config()) && Cover(kestrove_) == nullptr; }));
  ASSERT_TRUE(CloseConfig());

  // A second start shows no window but its start-up one, titled "0".
  const Process& second = StartKestrove();
  std::string shown;
  EXPECT_TRUE(WaitUntil(
      [&] {
        for (HWND window : FindWindows({.process_id = second.Id(), .visible_only = true}))
          shown += WindowTitle(window) != "0" ? "\"" + WindowTitle(window) + "\" " : "";
        return Prompt() != nullptr && !second.Running();
      },
      "the running copy's unlock prompt, and the second copy to end by itself"));
  EXPECT_EQ(shown, "") << "shown by the second copy";
  EXPECT_EQ(ProcessIdsByImage(kImage), std::vector<DWORD>{kestrove_->Id()});
}

// Today's allowance used up, a password stored and a configuration that takes a while
// to load: the default password, answered the moment the prompt appears, is refused.
TEST_F(Startup, AUsedUpAllowanceTakesOnlyTheStoredPassword) {
  platform::win32::Win32Crypto crypto;
  platform::win32::Win32Text text;
  registry_.WriteString(kMachine, kSettingsKey, "pwd", config::HashPassword(crypto, text, "Secret"));
  SetTaskList(std::vector<std::string>(400, "Program,1"));
  platform::SettingsStore store(registry_backend_);
  store.SaveSetting("kestrove", "setting", "timer", "5");
  store.SaveSetting("kestrove", "setting", "date",
                    app::StampText(app::TodayStamp(platform::win32::Win32Clock().Now())));
  store.SaveSetting("kestrove", "setting", "tickCount", "0");
  StartKestrove();
  const HWND prompt = WaitForPrompt("for the used-up allowance");
  const auto answer = [&](std::string_view password) {
    const std::wstring wide = ToWide(password);
    return Send(FindChild(prompt, "Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str())) &&
           ClickButton(prompt, "OK");
  };
  ASSERT_TRUE(answer(kDefaultPassword));
  EXPECT_TRUE(WaitUntil([&] { return FindChild(prompt, "Static", "Password is Invalid.") != nullptr; },
                        "the default password refused"));
  EXPECT_TRUE(IsShown(prompt) && !IsShown(Config()));
  ASSERT_TRUE(answer("secret"));
  EXPECT_TRUE(WaitUntil([&] { return Prompt() == nullptr && IsShown(Config()); },
                        "the stored password to open the configuration"));
}

}  // namespace
}  // namespace e2e
