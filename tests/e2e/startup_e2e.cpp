// End to end: starting kstrv7.exe as a user does. The unlock prompt over the
// black cover, the "start with Windows" value, a second start while one copy
// runs, the expired daily allowance at start, the configuration window's six
// tabs (a screenshot of each) and Exit.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "platform/win32/wide_text.h"

namespace e2e {
namespace {

using platform::win32::FromWide;
using platform::win32::ToWide;

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunValue = "Kestrove Pro";
// The daily usage limit's per-user store.
constexpr const char* kLimitKey = "Software\\KSV\\AppSettings\\kestrove\\setting";

// Each tab of the configuration window, in order, with a button only its
// page shows.
struct TabPage {
  const char* shot;
  const char* button;
};
constexpr std::array<TabPage, 6> kTabPages = {{
    {"main-tasks", "Browse..."},
    {"main-encryption", "Encrypt"},
    {"main-settings", "Set Tasks Password..."},
    {"main-users", "Import..."},
    {"main-advanced", "Task Manager"},
    {"main-about", "End kstrv7.exe"},
}};
constexpr int kAboutTab = 5;

HWND TabButton(HWND config, int index) {
  return FindChild(config, "Button", kTabPages[static_cast<std::size_t>(index)].button);
}

// Today's stamp of the daily usage limit: local "mm:dd:yy".
std::string TodayStamp() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  char text[16] = {};
  std::snprintf(text, sizeof(text), "%02u:%02u:%02u", static_cast<unsigned>(now.wMonth),
                static_cast<unsigned>(now.wDay), static_cast<unsigned>(now.wYear % 100));
  return text;
}

class Startup : public Scenario {};

TEST_F(Startup, FreshStartRaisesPromptOverBlackCover) {
  const HWND prompt = StartToPrompt();
  ASSERT_NE(prompt, nullptr);
  HWND cover = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (cover = FindCover(kestrove_->Id())) != nullptr; },
                        "a window of the program covering the whole screen"));
  const std::vector<HWND> z_order = FindWindows({.visible_only = true});
  const auto z_of = [&](HWND window) {
    return std::find(z_order.begin(), z_order.end(), window) - z_order.begin();
  };
  EXPECT_LT(z_of(prompt), z_of(cover)) << "the prompt is not above the cover";
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
}

TEST_F(Startup, WritesRunValueWithProgramPath) {
  ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, ToWide(kRunKey).c_str(), ToWide(kRunValue).c_str());
  ASSERT_FALSE(GetString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue).has_value());

  ASSERT_NE(StartToPrompt(), nullptr);
  const std::string expected = "\"" + FromWide(BinDir()) + "\\kstrv7.exe\"";
  EXPECT_TRUE(WaitUntil([&] { return GetString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue) == expected; },
                        "the Run value " + expected))
      << "found " << GetString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue).value_or("(none)");
}

TEST_F(Startup, SecondStartRaisesRunningCopysPromptAndEnds) {
  ASSERT_NO_FATAL_FAILURE(StartPastGate());
  Process& first = *kestrove_;

  Process& second = StartKestrove();
  std::vector<std::string> shown;
  const auto note_windows = [&] {
    for (HWND window : FindWindows({.process_id = second.Id(), .visible_only = true})) {
      if (WindowTitle(window) != "0") shown.push_back(Describe(window));
    }
  };
  EXPECT_TRUE(WaitUntil(
      [&] {
        note_windows();
        return FindPrompt(first.Id()) != nullptr;
      },
      "the running copy's unlock prompt"));
  Screenshot("second-start-prompt");
  EXPECT_TRUE(WaitUntil(
      [&] {
        note_windows();
        return !second.Running();
      },
      "the second copy to end by itself"));
  EXPECT_TRUE(shown.empty()) << "the second copy showed " << shown.size()
                             << " window(s), first: " << shown.front();
  EXPECT_EQ(ProcessIdsByImage(kImage), std::vector<DWORD>{first.Id()});
}

TEST_F(Startup, ExpiredAllowanceRaisesPromptThatOnlyThePasswordCloses) {
  ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kLimitKey, "timer", "5"));
  ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kLimitKey, "date", TodayStamp()));
  ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kLimitKey, "tickCount", "0"));
  const HWND prompt = WaitForPrompt(StartKestrove().Id(), "for the used-up allowance");
  ASSERT_NE(prompt, nullptr);
  const HWND cancel = FindChild(prompt, "Button", "Cancel");
  ASSERT_TRUE(
      WaitUntil([&] { return Exists(cancel) && !::IsWindowEnabled(cancel); }, "Cancel to be disabled"));
  // The same day: the allowance is not renewed.
  EXPECT_EQ(GetString(HKEY_CURRENT_USER, kLimitKey, "tickCount"), "0");
  Screenshot("expired-session-prompt");

  ASSERT_TRUE(ClickControl(cancel));
  EXPECT_TRUE(HoldsFor([&] { return IsShown(prompt) && !::IsWindowEnabled(cancel); }, kThreeTicks,
                       "the prompt staying up with Cancel disabled after a click on Cancel"));
  ASSERT_TRUE(AnswerPrompt(prompt, kDefaultPassword));
  EXPECT_TRUE(
      WaitUntil([&] { return FindPrompt(kestrove_->Id()) == nullptr; }, "the password to close the prompt"))
      << "hint \"" << PromptHint(prompt) << "\"";
  EXPECT_TRUE(kestrove_->Running());
}

TEST_F(Startup, PasswordOpensSixTabs) {
  const HWND config = StartToMainWindow();
  ASSERT_NE(config, nullptr);
  // About first, so that Tasks, too, is shown after another page hid it.
  for (const int index : {kAboutTab, 0, 1, 2, 3, 4}) {
    ASSERT_TRUE(ShowTab(config, index, TabButton(config, index)));
    for (int other = 0; other < static_cast<int>(kTabPages.size()); ++other) {
      EXPECT_TRUE(other == index || !IsShown(TabButton(config, other)))
          << kTabPages[static_cast<std::size_t>(other)].button << " shows on "
          << kTabPages[static_cast<std::size_t>(index)].shot;
    }
    Screenshot(kTabPages[static_cast<std::size_t>(index)].shot);
  }
}

TEST_F(Startup, ExitAsksFirstAndEndsForGood) {
  const HWND config = StartToMainWindow();
  ASSERT_NE(config, nullptr);
  ASSERT_TRUE(ShowTab(config, kAboutTab, TabButton(config, kAboutTab)));
  const auto ask = [&] {
    EXPECT_TRUE(ClickControl(TabButton(config, kAboutTab)));
    return WaitForWindow({.class_name = "#32770", .process_id = kestrove_->Id(), .visible_only = true},
                         "the question \"Exit Kestrove Pro 2011\"");
  };

  HWND question = ask();
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(WindowTitle(question), "Exit Kestrove Pro 2011");
  // A message box's text is its static with id 65535.
  const std::string text = ControlText(::GetDlgItem(question, 0xFFFF));
  EXPECT_TRUE(text.starts_with("This will remove kestrove from memory")) << "text \"" << text << "\"";
  Screenshot("exit-question");
  ASSERT_TRUE(ClickButton(question, "Cancel"));
  EXPECT_TRUE(WaitUntil([&] { return !Exists(question); }, "the question to close"));
  EXPECT_TRUE(HoldsFor([&] { return kestrove_->Running() && IsShown(config); }, kThreeTicks,
                       "the program running on with its window after Cancel"));

  question = ask();
  ASSERT_NE(question, nullptr);
  ASSERT_TRUE(ClickButton(question, "OK"));
  EXPECT_TRUE(kestrove_->WaitForExit().has_value()) << "the program still runs after OK";
  // A restart would show up within the start of a Wine process.
  EXPECT_TRUE(
      HoldsFor([] { return ProcessIdsByImage(kImage).empty(); }, kThreeTicks, "no kstrv7.exe after Exit"));
}

}  // namespace
}  // namespace e2e
