// End to end: the configuration window's Apply, driven as a user drives it
// (Advanced tab clicked with the mouse, boxes ticked, Apply pressed), and the
// lock that the daily usage limit raises when a start finds today's minutes
// used up.
#include "e2e/harness.h"

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

// ---- Another process's tab control -----------------------------------------

// Memory inside another process: tab control messages carry pointers, and
// neither Windows nor Wine copies their data across processes.
class RemoteMemory {
 public:
  RemoteMemory(DWORD process_id, std::size_t size)
      : process_(
            ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process_id)) {
    if (process_ != nullptr) {
      address_ = ::VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
  }
  ~RemoteMemory() {
    if (address_ != nullptr) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_ != nullptr) ::CloseHandle(process_);
  }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  bool Valid() const { return address_ != nullptr; }
  // The address offset bytes in, as the other process sees it.
  LPARAM At(std::size_t offset) const {
    return reinterpret_cast<LPARAM>(static_cast<char*>(address_) + offset);
  }
  bool Write(const void* data, std::size_t size, std::size_t offset = 0) const {
    SIZE_T written = 0;
    return ::WriteProcessMemory(process_, reinterpret_cast<void*>(At(offset)), data, size, &written) &&
           written == size;
  }
  bool Read(void* data, std::size_t size, std::size_t offset = 0) const {
    SIZE_T read = 0;
    return ::ReadProcessMemory(process_, reinterpret_cast<void*>(At(offset)), data, size, &read) &&
           read == size;
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
};

std::optional<LRESULT> SendTo(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, 5000, &result)) {
    return std::nullopt;
  }
  return static_cast<LRESULT>(result);
}

// The index of the tab with that caption, or -1.
int FindTab(HWND tabs, std::string_view caption) {
  const int count = static_cast<int>(SendTo(tabs, TCM_GETITEMCOUNT, 0, 0).value_or(0));
  constexpr int kChars = 128;
  const RemoteMemory memory(ProcessOf(tabs), sizeof(TCITEMW) + kChars * sizeof(wchar_t));
  if (!memory.Valid()) return -1;
  for (int index = 0; index < count; ++index) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = reinterpret_cast<wchar_t*>(memory.At(sizeof(TCITEMW)));
    item.cchTextMax = kChars;
    std::array<wchar_t, kChars> text{};
    if (!memory.Write(&item, sizeof(item)) || !memory.Write(text.data(), sizeof(text), sizeof(TCITEMW)) ||
        SendTo(tabs, TCM_GETITEMW, index, memory.At(0)).value_or(0) == 0 ||
        !memory.Read(text.data(), sizeof(text), sizeof(TCITEMW))) {
      continue;
    }
    text.back() = L'\0';
    if (Narrow(text.data()) == caption) return index;
  }
  return -1;
}

int SelectedTab(HWND tabs) {
  return static_cast<int>(SendTo(tabs, TCM_GETCURSEL, 0, 0).value_or(-1));
}

// The middle of a tab in screen coordinates.
std::optional<POINT> TabCentre(HWND tabs, int index) {
  const RemoteMemory memory(ProcessOf(tabs), sizeof(RECT));
  RECT rect{};
  if (!memory.Valid() || SendTo(tabs, TCM_GETITEMRECT, index, memory.At(0)).value_or(0) == 0 ||
      !memory.Read(&rect, sizeof(rect))) {
    return std::nullopt;
  }
  POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  ::MapWindowPoints(tabs, nullptr, &centre, 1);
  return centre;
}

// A left click at a point of the screen, as the mouse gives it.
bool MouseClickAt(POINT point) {
  const int width = ::GetSystemMetrics(SM_CXSCREEN);
  const int height = ::GetSystemMetrics(SM_CYSCREEN);
  if (width <= 1 || height <= 1) return false;
  std::array<INPUT, 3> inputs{};
  for (INPUT& input : inputs) {
    input.type = INPUT_MOUSE;
    // Absolute positions run from 0 to 65535 across the primary screen.
    input.mi.dx = ::MulDiv(point.x, 65535, width - 1);
    input.mi.dy = ::MulDiv(point.y, 65535, height - 1);
  }
  inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
  inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
  return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// ---- Controls ----------------------------------------------------------------

bool IsChecked(HWND box) {
  return SendTo(box, BM_GETCHECK, 0, 0).value_or(-1) == BST_CHECKED;
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
    ASSERT_TRUE(MouseClickAt(*centre));
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
