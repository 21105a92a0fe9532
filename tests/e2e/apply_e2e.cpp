// End to end: the configuration window's Apply, driven as a user drives it
// (Advanced tab clicked with the mouse, boxes ticked, Apply pressed), and the
// lock that the daily usage limit raises when a start finds today's minutes
// used up.
#include "e2e/harness.h"
#include "e2e/tab_control.h"

#include <commctrl.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "e2e/prompt_steps.h"

namespace e2e {
namespace {

using std::chrono::milliseconds;

// The daily usage limit's per-user store.
constexpr std::string_view kLimitKey = "Software\\KSV\\AppSettings\\kestrove\\setting";
// A browser frame: the Internet Explorer lock acts on every top-level window
// of this class.
constexpr std::string_view kBrowserClass = "IEFrame";
constexpr std::string_view kBrowserTitle = "Start Page - Internet Explorer";
// The lock acts within a tick or two; a slow machine gets more.
constexpr milliseconds kLockTimeout{10000};
// How long a disabled Cancel is watched for doing nothing.
constexpr milliseconds kCancelWatch{2000};

// ---- Controls ----------------------------------------------------------------

bool IsChecked(HWND box) {
  return Send(box, BM_GETCHECK, 0, 0).value_or(-1) == BST_CHECKED;
}

bool IsEnabled(HWND control) {
  return Exists(control) && ::IsWindowEnabled(control);
}

// Today's stamp of the daily usage limit: local "mm:dd:yy".
std::string TodayStamp() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  std::array<char, 16> text{};
  std::snprintf(text.data(), text.size(), "%02u:%02u:%02u", static_cast<unsigned>(now.wMonth),
                static_cast<unsigned>(now.wDay), static_cast<unsigned>(now.wYear % 100));
  return text.data();
}

// ---- Apply -----------------------------------------------------------------

class ApplyAdvanced : public PromptScenario {
 protected:
  // Starts the program and opens the configuration window with the default
  // password; fails the scenario (fatally) when it does not open.
  void OpenConfiguration() {
    kestrove_ = &StartKestrove();
    const HWND prompt = WaitForPrompt(kestrove_->Id(), "at start");
    ASSERT_NE(prompt, nullptr);
    ASSERT_TRUE(AnswerPrompt(prompt, kDefaultPassword));
    config_ = WaitForWindow(WindowQuery().Titled(kConfigTitle).OfProcess(kestrove_->Id()).VisibleOnly(),
                            "the configuration window after the password");
    ASSERT_NE(config_, nullptr) << "prompt: " << Describe(prompt) << ", hint \"" << PromptHint(prompt)
                                << "\"";
  }

  // Clicks a tab with the mouse and waits until it is selected and shows
  // the control given.
  void ClickTab(std::string_view caption, HWND shown_control) {
    const HWND tabs = FindChild(config_, "SysTabControl32");
    ASSERT_NE(tabs, nullptr) << "no tab control on " << Describe(config_);
    const int index = FindTab(tabs, caption);
    ASSERT_GE(index, 0) << "no tab \"" << caption << "\"";
    const std::string name(caption);
    std::optional<POINT> centre;
    // The click lands on whatever is on top at that point: wait until the
    // prompt and the black cover behind it are gone from there.
    ASSERT_TRUE(WaitUntil(
        [&] {
          centre = TabCentre(tabs, index);
          return centre && ::WindowFromPoint(*centre) == tabs;
        },
        name + " tab to be uncovered"))
        << "on top there: " << (centre ? Describe(::GetAncestor(::WindowFromPoint(*centre), GA_ROOT)) : "?");
    ASSERT_TRUE(ClickAt(*centre));
    ASSERT_TRUE(WaitUntil([&] { return SelectedTab(tabs) == index && IsShown(shown_control); },
                          name + " page to show"))
        << "selected tab " << SelectedTab(tabs);
  }

  // Ticks a check box (BM_CLICK, as a mouse click does) and waits for the
  // tick to show.
  static void Tick(HWND box) {
    ASSERT_FALSE(IsChecked(box)) << "\"" << ControlText(box) << "\" is ticked before the click";
    ASSERT_TRUE(ClickControl(box));
    std::string what = ControlText(box);
    what += " to be ticked";
    ASSERT_TRUE(WaitUntil([&] { return IsChecked(box); }, what));
  }

  static std::optional<std::string> Setting(std::string_view name) {
    return GetString(HKEY_LOCAL_MACHINE, kSettingsKey, name);
  }

  HWND config_ = nullptr;
};

TEST_F(ApplyAdvanced, TickedLocksAreSavedAndLockTheBrowserFrame) {
  ASSERT_NO_FATAL_FAILURE(OpenConfiguration());
  const HWND task_manager = FindChild(config_, "Button", "Task Manager");
  const HWND browser = FindChild(config_, "Button", "Internet Explorer");
  const HWND apply = FindChild(config_, "Button", "Apply");
  const HWND cancel = FindChild(config_, "Button", "Cancel");
  ASSERT_NE(task_manager, nullptr);
  ASSERT_NE(browser, nullptr);
  ASSERT_NE(apply, nullptr);
  ASSERT_NE(cancel, nullptr);
  EXPECT_FALSE(IsShown(task_manager)) << "the Advanced page shows before its tab was picked";

  ASSERT_NO_FATAL_FAILURE(ClickTab("Advanced", task_manager));
  EXPECT_TRUE(IsShown(browser));
  ASSERT_NO_FATAL_FAILURE(Tick(task_manager));
  ASSERT_NO_FATAL_FAILURE(Tick(browser));
  EXPECT_NE(Setting("TaskManager"), "1") << "saved before Apply";
  EXPECT_NE(Setting("LockIE"), "1") << "saved before Apply";
  Screenshot("apply-advanced-tab");

  ASSERT_TRUE(ClickControl(apply));
  EXPECT_TRUE(WaitUntil(
      [&] {
        return Setting("TaskManager") == "1" && Setting("LockIE") == "1" && ControlText(cancel) == "Close";
      },
      "TaskManager = \"1\", LockIE = \"1\" and the button beside Apply reading \"Close\""))
      << "TaskManager " << Setting("TaskManager").value_or("(none)") << ", LockIE "
      << Setting("LockIE").value_or("(none)") << ", button \"" << ControlText(cancel) << "\"";
  // The boxes left alone are saved off: no tick went to the wrong value.
  EXPECT_EQ(Setting("LockEx"), "0");
  EXPECT_EQ(Setting("chkLock3Party"), "0");
  EXPECT_EQ(Setting("LockInstall"), "0");
  EXPECT_EQ(GetDword(HKEY_LOCAL_MACHINE, kSettingsKey, "DisableRegistryTools"), DWORD{0});
  // The reload after Apply keeps what was saved on screen.
  EXPECT_TRUE(IsChecked(task_manager));
  EXPECT_TRUE(IsChecked(browser));
  Screenshot("apply-after");

  // The lock is in force at once: a browser frame opened in the background
  // is hidden and the prompt asks for the password.
  const HelperWindow frame_helper = StartHelperWindow(
      {.class_name = std::string(kBrowserClass), .title = std::string(kBrowserTitle), .background = true});
  const HWND frame = WaitForWindow(WindowQuery().OfClass(kBrowserClass).OfProcess(frame_helper.process->Id()),
                                   "the browser frame");
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(WaitUntil(
      [&] {
        return !IsShown(frame) && frame_helper.CountInLog("WM_SHOWWINDOW 0") > 0 &&
               FindPrompt(kestrove_->Id()) != nullptr;
      },
      kLockTimeout, "the browser frame to be hidden and the unlock prompt to show"))
      << "frame: " << Describe(frame) << "; prompt: " << Describe(FindPrompt(kestrove_->Id()));
  EXPECT_TRUE(kestrove_->Running());
  Screenshot("apply-browser-frame-locked");
}

// ---- Daily usage limit -----------------------------------------------------

class ExpiredSession : public PromptScenario {};

TEST_F(ExpiredSession, PromptCannotBeCancelledOnlyThePasswordClosesIt) {
  ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kLimitKey, "timer", "5"));
  ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kLimitKey, "date", TodayStamp()));
  ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kLimitKey, "tickCount", "0"));
  kestrove_ = &StartKestrove();
  const HWND prompt = WaitForPrompt(kestrove_->Id(), "for the used-up allowance");
  ASSERT_NE(prompt, nullptr);
  const HWND cancel = FindChild(prompt, "Button", "Cancel");
  ASSERT_NE(cancel, nullptr) << "no Cancel on the prompt";
  EXPECT_TRUE(WaitUntil([&] { return !IsEnabled(cancel); }, "the prompt's Cancel to be disabled"));
  // The same day: the allowance is not renewed.
  EXPECT_EQ(GetString(HKEY_CURRENT_USER, kLimitKey, "tickCount"), "0");
  Screenshot("expired-session-prompt");

  ASSERT_TRUE(ClickControl(cancel));
  EXPECT_TRUE(HoldsFor([&] { return IsShown(prompt) && !IsEnabled(cancel); }, kCancelWatch,
                       "the prompt staying up with Cancel disabled after a click on Cancel"))
      << "prompt: " << Describe(prompt) << "; Cancel \"" << ControlText(cancel) << "\"";

  ASSERT_TRUE(AnswerPrompt(prompt, kDefaultPassword));
  EXPECT_TRUE(WaitUntil([&] { return !IsShown(prompt) && FindPrompt(kestrove_->Id()) == nullptr; },
                        "the prompt to close after the right password"))
      << "prompt: " << Describe(prompt) << ", hint \"" << PromptHint(prompt) << "\"";
  EXPECT_TRUE(kestrove_->Running());
}

}  // namespace
}  // namespace e2e
