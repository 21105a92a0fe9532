// End to end: starting kstrv7.exe as a user does. The unlock prompt over the
// black cover and the "start with Windows" value, a second start while one copy
// runs, the used-up daily allowance, the six tabs (a screenshot each) and Exit.
#include <algorithm>

#include "e2e/harness.h"
#include "platform/win32/wide_text.h"

namespace e2e {
namespace {

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kLimitKey = "Software\\KSV\\AppSettings\\kestrove\\setting";  // per user

// The tabs in order: the screenshot's name, and a button only that page shows.
constexpr const char* kTabPages[][2] = {{"main-tasks", "Browse..."},
                                        {"main-encryption", "Encrypt"},
                                        {"main-settings", "Set Tasks Password..."},
                                        {"main-users", "Import..."},
                                        {"main-advanced", "Task Manager"},
                                        {"main-about", "End kstrv7.exe"}};
constexpr int kAboutTab = 5;

class Startup : public Scenario {};

TEST_F(Startup, FreshStartRaisesPromptOverBlackCoverAndWritesRunValue) {
  ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, platform::win32::ToWide(kRunKey).c_str(), L"Kestrove Pro");
  const HWND prompt = StartToPrompt();
  ASSERT_NE(prompt, nullptr);
  HWND cover = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (cover = FindCover(kestrove_->Id())) != nullptr; },
                        "a window of the program covering the whole screen"));
  const std::vector<HWND> z_order = FindWindows({.visible_only = true});
  EXPECT_LT(std::find(z_order.begin(), z_order.end(), prompt),
            std::find(z_order.begin(), z_order.end(), cover))
      << "the prompt is not above the cover";
  EXPECT_TRUE(WaitUntil(
      [&] {
        return IsShown(FindChild(prompt, "Edit")) && IsShown(FindChild(prompt, "Button", "OK")) &&
               IsShown(FindChild(prompt, "Button", "Cancel"));
      },
      "the prompt's password box, OK and Cancel"));
  Screenshot("startup-prompt");
  // A corner far from the prompt shows the cover's colour.
  const HDC screen = ::GetDC(nullptr);
  const COLORREF corner =
      ::GetPixel(screen, ::GetSystemMetrics(SM_CXSCREEN) - 2, ::GetSystemMetrics(SM_CYSCREEN) - 2);
  ::ReleaseDC(nullptr, screen);
  EXPECT_EQ(corner, RGB(0, 0, 0)) << "cover colour 0x" << std::hex << corner;

  const std::string run_value = "\"" + platform::win32::FromWide(BinDir()) + "\\kstrv7.exe\"";
  EXPECT_TRUE(WaitUntil([&] { return GetString(HKEY_LOCAL_MACHINE, kRunKey, "Kestrove Pro") == run_value; },
                        "the Run value " + run_value));
}

TEST_F(Startup, SecondStartRaisesRunningCopysPromptAndEnds) {
  ASSERT_NO_FATAL_FAILURE(StartPastGate());
  Process& first = *kestrove_;
  Process& second = StartKestrove();
  std::vector<std::string> shown;
  EXPECT_TRUE(WaitUntil(
      [&] {
        for (HWND window : FindWindows({.process_id = second.Id(), .visible_only = true})) {
          if (WindowTitle(window) != "0") shown.push_back(Describe(window));
        }
        return FindPrompt(first.Id()) != nullptr && !second.Running();
      },
      "the running copy's unlock prompt, and the second copy to end by itself"));
  EXPECT_TRUE(shown.empty()) << "the second copy showed " << shown.size()
                             << " window(s), first: " << shown[0];
  EXPECT_EQ(ProcessIdsByImage(kImage), std::vector<DWORD>{first.Id()});
}

TEST_F(Startup, ExpiredAllowanceRaisesPromptThatOnlyThePasswordCloses) {
  wchar_t today[16] = {};  // the allowance's stamp: local "mm:dd:yy"
  ::GetDateFormatW(LOCALE_INVARIANT, 0, nullptr, L"MM':'dd':'yy", today, 16);
  ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kLimitKey, "timer", "5"));
  ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kLimitKey, "date", platform::win32::FromWide(today)));
  ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kLimitKey, "tickCount", "0"));
  const HWND prompt = WaitForPrompt(StartKestrove().Id(), "for the used-up allowance");
  ASSERT_NE(prompt, nullptr);
  const HWND cancel = FindChild(prompt, "Button", "Cancel");
  ASSERT_TRUE(
      WaitUntil([&] { return Exists(cancel) && !::IsWindowEnabled(cancel); }, "Cancel to be disabled"));
  Screenshot("expired-session-prompt");

  ASSERT_TRUE(ClickControl(cancel));
  EXPECT_TRUE(HoldsFor([&] { return IsShown(prompt) && !::IsWindowEnabled(cancel); }, kThreeTicks,
                       "the prompt staying up with Cancel disabled after a click on Cancel"));
  ASSERT_TRUE(AnswerPrompt(prompt, kDefaultPassword));
  EXPECT_TRUE(
      WaitUntil([&] { return FindPrompt(kestrove_->Id()) == nullptr; }, "the password to close the prompt"));
  EXPECT_TRUE(kestrove_->Running());
}

TEST_F(Startup, PasswordOpensSixTabsAndExitEndsForGood) {
  const HWND config = StartToMainWindow();
  ASSERT_NE(config, nullptr);
  const auto button = [&](int index) { return FindChild(config, "Button", kTabPages[index][1]); };
  // Tasks, shown at first, again after another page hid it; About last, for Exit.
  for (const int index : {1, 2, 3, 4, 0, kAboutTab}) {
    ASSERT_TRUE(ShowTab(config, index, button(index)));
    for (int other = 0; other <= kAboutTab; ++other) {
      EXPECT_TRUE(other == index || !IsShown(button(other)))
          << kTabPages[other][1] << " shows on " << kTabPages[index][0];
    }
    Screenshot(kTabPages[index][0]);
  }

  ASSERT_TRUE(ClickControl(button(kAboutTab)));
  const HWND question = WaitForWindow({.title = "Exit Kestrove Pro 2011",
                                       .class_name = "#32770",
                                       .process_id = kestrove_->Id(),
                                       .visible_only = true},
                                      "the question");
  ASSERT_NE(question, nullptr);
  Screenshot("exit-question");
  ASSERT_TRUE(ClickButton(question, "OK"));
  EXPECT_TRUE(kestrove_->WaitForExit().has_value()) << "the program still runs after OK";
  // A restart would show up within the start of a Wine process.
  EXPECT_TRUE(
      HoldsFor([] { return ProcessIdsByImage(kImage).empty(); }, kThreeTicks, "no kstrv7.exe after Exit"));
}

}  // namespace
}  // namespace e2e
