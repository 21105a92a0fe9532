// End to end: starting kstrv7.exe as a user does. The unlock prompt over the
// black cover, the configuration window and its six tabs (with a screenshot
// of each), a second start while one copy runs, closing the main window,
// Exit, the update reminder, the "start with Windows" value and the tray
// icon (its callback, and the setting that keeps it away).
#include "e2e/harness.h"
#include "e2e/tab_control.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace e2e {
namespace {

using std::chrono::duration_cast;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr const char* kPromptTitle = "Kestrove";
constexpr const char* kMainTitle = "Kestrove Pro Configuration Tool";
constexpr const char* kStartingTitle = "0";
constexpr const char* kUpdateTitle = "Kestrove Pro 2011 Update";
constexpr const char* kExitTitle = "Exit Kestrove Pro 2011";
constexpr const char* kTrayTitle = "Wine System Tray";
constexpr const char* kPassword = "tavrolk";
constexpr const wchar_t* kImage = L"kstrv7.exe";

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunValue = "Kestrove Pro";

// The tray icon's callback message; lParam carries the mouse message.
constexpr UINT kTrayCallback = WM_APP + 1;

// How long "nothing happens" is watched for: two ticks of the program's
// fastest timer (a second copy is looked for every half second) and more.
constexpr milliseconds kQuietPeriod{2000};
// How long "the program does not come back" is watched for after Exit; a
// restart would show up within the start-up of a Wine process.
constexpr milliseconds kStaysGone{3000};

// One tab of the configuration window and a control only that tab shows.
struct TabPage {
  const char* tab;
  const char* shot;
  const char* control_class;
  const char* control_caption;
};

constexpr std::array<TabPage, 6> kTabPages = {{
    {"Tasks", "main-tasks", "Button", "Browse..."},
    {"Encryption", "main-encryption", "Button", "Encrypt"},
    {"Settings", "main-settings", "Button", "Set Tasks Password..."},
    {"Users", "main-users", "Button", "Import..."},
    {"Advanced", "main-advanced", "Button", "Task Manager"},
    {"About", "main-about", "Button", "End kstrv7.exe"},
}};
constexpr int kAboutTab = 5;

// ---- Processes -----------------------------------------------------------------

// Ids of every running kstrv7.exe.
std::vector<DWORD> KestroveProcesses() {
  return ProcessIdsByImage(kImage);
}

// How long a process has existed.
std::optional<milliseconds> LifeTime(const Process& process) {
  FILETIME created{};
  FILETIME exited{};
  FILETIME kernel{};
  FILETIME user{};
  if (!::GetProcessTimes(process.Handle(), &created, &exited, &kernel, &user)) return std::nullopt;
  FILETIME now{};
  ::GetSystemTimePreciseAsFileTime(&now);
  const auto ticks = [](const FILETIME& time) {  // 100 ns units
    return (static_cast<std::int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return milliseconds((ticks(now) - ticks(created)) / 10000);
}

// ---- Scenario base -------------------------------------------------------------

// Starts the program and drives its start-up windows. Every kstrv7.exe is
// ended afterwards, also the fresh copies the program starts itself.
class KestroveScenario : public Scenario {
 protected:
  void TearDown() override {
    Scenario::TearDown();
    EndProcessesByImage({kImage});
  }

  // Starts the program and waits for the unlock prompt that a fresh start
  // raises. The configuration window comes up first and hides as the prompt
  // shows; a prompt answered before that would find it hiding afterwards.
  HWND StartToPrompt() {
    kestrove_ = &StartKestrove();
    HWND prompt = nullptr;
    const bool shown = WaitUntil(
        [&] {
          prompt = FindTopLevel(PromptOf(kestrove_->Id()));
          const HWND main = FindByTitle(kMainTitle, kestrove_->Id());
          return prompt != nullptr && main != nullptr && !IsShown(main);
        },
        "the unlock prompt \"Kestrove\" with the configuration window hidden");
    return shown ? prompt : nullptr;
  }

  static WindowQuery PromptOf(DWORD process_id) {
    return WindowQuery().Titled(kPromptTitle).OfClass("KestroveForm").OfProcess(process_id).VisibleOnly();
  }

  static HWND WaitForPrompt(DWORD process_id) {
    return WaitForWindow(PromptOf(process_id), "the unlock prompt \"Kestrove\"");
  }

  // Types the password into the prompt and confirms it with Enter, as a user
  // does; returns the configuration window once it is visible.
  HWND Unlock(HWND prompt) {
    const HWND edit = FindChild(prompt, "Edit");
    EXPECT_NE(edit, nullptr) << "no password box on the prompt";
    if (edit == nullptr) return nullptr;
    EXPECT_TRUE(ClickCentre(edit));
    EXPECT_TRUE(
        WaitUntil([&] { return FocusOf(prompt) == edit; }, "the password box to take the keyboard focus"));
    EXPECT_TRUE(TypeText(prompt, kPassword));
    EXPECT_TRUE(PressKeys(prompt, {VK_RETURN}));
    const DWORD process_id = ProcessOf(prompt);
    HWND main = nullptr;
    const bool shown = WaitUntil(
        [&] {
          main = FindTopLevel(WindowQuery().Titled(kMainTitle).OfProcess(process_id).VisibleOnly());
          return main != nullptr && FindTopLevel(PromptOf(process_id)) == nullptr;
        },
        "the configuration window in place of the prompt");
    return shown ? main : nullptr;
  }

  // Starts the program and unlocks the configuration window.
  HWND StartToMainWindow() {
    const HWND prompt = StartToPrompt();
    if (prompt == nullptr) return nullptr;
    return Unlock(prompt);
  }

  // The keyboard focus inside another process's window.
  static HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
  }

  static bool ClickCentre(HWND window) {
    RECT rect{};
    if (!::GetWindowRect(window, &rect)) return false;
    return ClickAt(POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
  }

  // Clicks a tab of the configuration window and waits until its page shows.
  static bool ShowTab(HWND main, int index, std::source_location where = std::source_location::current()) {
    const TabPage& page = kTabPages[static_cast<std::size_t>(index)];
    const HWND tabs = FindChild(main, "SysTabControl32");
    // The click goes to the window under the pointer; it must be this one's.
    if (!WaitUntil([&] { return IsForeground(main); }, "the configuration window in the foreground", where)) {
      return false;
    }
    const std::optional<POINT> centre = TabCentre(tabs, index);
    if (!centre || !ClickAt(*centre, where)) {
      ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line())) << "could not click tab " << page.tab;
      return false;
    }
    return WaitUntil(
        [&] {
          return SelectedTab(tabs) == index &&
                 IsShown(FindChild(main, page.control_class, page.control_caption));
        },
        std::string("the ") + page.tab + " tab to show \"" + page.control_caption + "\"", where);
  }

  Process* kestrove_ = nullptr;
};

// A start without the update reminder, which would otherwise stand behind the
// configuration window in every screenshot.
class QuietScenario : public KestroveScenario {
 protected:
  void SetUp() override {
    KestroveScenario::SetUp();
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kSettingsKey, "DontShowUpdate", "1"));
  }
};

// ---- Start-up ------------------------------------------------------------------

class Startup : public KestroveScenario {};

TEST_F(Startup, FreshStartRaisesPromptOverBlackCover) {
  Process& kestrove = StartKestrove();
  ASSERT_NE(WaitForWindow(WindowQuery().Titled(kStartingTitle).OfProcess(kestrove.Id()),
                          "the main window titled \"0\" during the start-up delay"),
            nullptr);
  bool prompt_while_starting = false;
  HWND prompt = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        prompt = FindTopLevel(PromptOf(kestrove.Id()));
        if (prompt != nullptr && FindByTitle(kStartingTitle, kestrove.Id()) != nullptr)
          prompt_while_starting = true;
        return prompt != nullptr;
      },
      "the unlock prompt \"Kestrove\""));
  // Counted from the creation of the process, so a late poll can only make
  // it longer: a delay that was skipped shows as a prompt within the second.
  const std::optional<milliseconds> since_start = LifeTime(kestrove);
  ASSERT_TRUE(since_start.has_value());
  RecordProperty("prompt_after_ms", static_cast<int>(since_start->count()));
  EXPECT_FALSE(prompt_while_starting) << "the prompt showed during the start-up delay";
  // The one-second timer, less a timer tick of leeway.
  EXPECT_GE(since_start->count(), 950) << "the start-up delay was cut short";

  // The cover: a black window of the program over the whole screen, below
  // the prompt.
  const int width = ::GetSystemMetrics(SM_CXSCREEN);
  const int height = ::GetSystemMetrics(SM_CYSCREEN);
  HWND cover = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        for (HWND window : FindWindows(WindowQuery().OfProcess(kestrove.Id()).VisibleOnly())) {
          RECT rect{};
          ::GetWindowRect(window, &rect);
          if (rect.left <= 0 && rect.top <= 0 && rect.right >= width && rect.bottom >= height) cover = window;
        }
        return cover != nullptr;
      },
      "a window of the program covering the whole screen"));
  const std::vector<HWND> z_order = FindWindows(WindowQuery().VisibleOnly());
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
  const COLORREF corner = ::GetPixel(screen, width - 2, height - 2);
  ::ReleaseDC(nullptr, screen);
  EXPECT_EQ(corner, RGB(0, 0, 0)) << "cover colour 0x" << std::hex << corner;
}

TEST_F(Startup, UpdateReminderShowsWithDontShowAgainBox) {
  // The reminder comes up while the program loads, before the prompt, and
  // stays behind the cover.
  const HWND prompt = StartToPrompt();
  ASSERT_NE(prompt, nullptr);
  const HWND reminder =
      FindTopLevel(WindowQuery().Titled(kUpdateTitle).OfProcess(kestrove_->Id()).VisibleOnly());
  ASSERT_NE(reminder, nullptr) << "no visible window \"" << kUpdateTitle << "\"";
  const HWND show_again = FindChild(reminder, "Button", "Don't show again");
  ASSERT_NE(show_again, nullptr) << "no \"Don't show again\" box on the reminder";
  EXPECT_TRUE(IsShown(show_again));

  // Past the password and with the configuration window closed, the
  // reminder is what is left on the screen.
  const HWND main = Unlock(prompt);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(ClickButton(main, "Cancel"));
  ASSERT_TRUE(WaitUntil([&] { return !IsShown(main); }, "the configuration window to hide"));
  EXPECT_TRUE(IsShown(reminder));
  Screenshot("startup-update-reminder");

  // Ticking the box stores the choice for the next start.
  ASSERT_TRUE(ClickControl(show_again));
  EXPECT_TRUE(WaitUntil([&] { return GetString(HKEY_LOCAL_MACHINE, kSettingsKey, "DontShowUpdate") == "1"; },
                        "DontShowUpdate = \"1\" after ticking \"Don't show again\""));
}

TEST_F(Startup, DontShowUpdateSuppressesReminder) {
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kSettingsKey, "DontShowUpdate", "1"));
  kestrove_ = &StartKestrove();
  const WindowQuery reminder = WindowQuery().Titled(kUpdateTitle).OfProcess(kestrove_->Id()).VisibleOnly();
  // The reminder comes up while the program loads, before the prompt.
  HWND seen = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        if (seen == nullptr) seen = FindTopLevel(reminder);
        return FindTopLevel(PromptOf(kestrove_->Id())) != nullptr;
      },
      "the unlock prompt \"Kestrove\""));
  EXPECT_EQ(seen, nullptr) << "the update reminder showed: " << Describe(seen);
  EXPECT_TRUE(HoldsFor([&] { return FindTopLevel(reminder) == nullptr; }, kQuietPeriod,
                       "no update reminder after the prompt"));
}

TEST_F(Startup, WritesRunValueWithProgramPath) {
  HKEY run = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(kRunKey).c_str(), 0, KEY_SET_VALUE, &run),
            ERROR_SUCCESS);
  const LSTATUS deleted = ::RegDeleteValueW(run, Widen(kRunValue).c_str());
  ::RegCloseKey(run);
  ASSERT_TRUE(deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND);

  ASSERT_NE(StartToPrompt(), nullptr);
  const std::string expected = "\"" + Narrow(BinDir()) + "\\kstrv7.exe\"";
  EXPECT_TRUE(WaitUntil([&] { return GetString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue) == expected; },
                        "the Run value \"" + expected + "\""))
      << "found \"" << GetString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue).value_or("(none)") << "\"";
}

TEST_F(Startup, KeepsRunValueAlreadyPresent) {
  constexpr const char* kElsewhere = "C:\\elsewhere\\x.exe";
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, kElsewhere));
  ASSERT_NE(StartToPrompt(), nullptr);
  // The value is looked at before the prompt comes up.
  EXPECT_EQ(GetString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue).value_or("(none)"), kElsewhere);
  // Put back what the program itself writes, so a later Wine start does not
  // try to start a missing program.
  EXPECT_TRUE(SetString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, Narrow(BinDir()) + "\\kstrv7.exe"));
}

// ---- A second start --------------------------------------------------------------

TEST_F(Startup, SecondStartRaisesRunningCopysPromptAndEnds) {
  const HWND main = StartToMainWindow();
  ASSERT_NE(main, nullptr);
  // Out of the way, as after a finished configuration.
  ASSERT_TRUE(ClickButton(main, "Cancel"));
  ASSERT_TRUE(WaitUntil([&] { return !IsShown(main) && FindTopLevel(PromptOf(kestrove_->Id())) == nullptr; },
                        "the configuration window to hide"));

  Process& second = StartKestrove();
  ASSERT_NE(WaitForWindow(WindowQuery().Titled(kStartingTitle).OfProcess(second.Id()),
                          "the second copy's main window titled \"0\""),
            nullptr);
  const auto starting = steady_clock::now();
  std::vector<std::string> shown;
  const auto note_windows = [&] {
    for (HWND window : FindWindows(WindowQuery().OfProcess(second.Id()).VisibleOnly())) {
      if (WindowTitle(window) != kStartingTitle) shown.push_back(Describe(window));
    }
  };
  EXPECT_TRUE(WaitUntil(
      [&] {
        note_windows();
        return FindTopLevel(PromptOf(kestrove_->Id())) != nullptr;
      },
      "the running copy's unlock prompt"));
  RecordProperty("prompt_after_ms",
                 static_cast<int>(duration_cast<milliseconds>(steady_clock::now() - starting).count()));
  Screenshot("second-start-prompt");
  EXPECT_TRUE(WaitUntil(
      [&] {
        note_windows();
        return !second.Running();
      },
      "the second copy to end by itself"));
  EXPECT_TRUE(shown.empty()) << "the second copy showed " << shown.size()
                             << " window(s), first: " << shown.front();
  EXPECT_TRUE(kestrove_->Running()) << "the first copy ended too";
  EXPECT_EQ(KestroveProcesses(), std::vector<DWORD>{kestrove_->Id()});
}

// ---- Closing and Exit ------------------------------------------------------------

class Shutdown : public QuietScenario {};

TEST_F(Shutdown, ClosingMainWindowStartsFreshCopy) {
  ASSERT_NE(StartToPrompt(), nullptr);
  const HWND main = FindByTitle(kMainTitle, kestrove_->Id());
  ASSERT_NE(main, nullptr) << "no window titled \"" << kMainTitle << "\"";

  ASSERT_TRUE(PostClose(main));
  DWORD fresh = 0;
  EXPECT_TRUE(WaitUntil(
      [&] {
        for (DWORD id : KestroveProcesses()) {
          if (id != kestrove_->Id()) fresh = id;
        }
        return fresh != 0;
      },
      "a fresh kstrv7.exe"));
  EXPECT_TRUE(kestrove_->WaitForExit().has_value()) << "the closed copy still runs";
  ASSERT_NE(fresh, 0u);
  // The fresh copy gets through its own start-up: the closed copy was gone
  // before it looked for another one running.
  EXPECT_NE(WaitForPrompt(fresh), nullptr);
  EXPECT_EQ(KestroveProcesses(), std::vector<DWORD>{fresh});
}

TEST_F(Shutdown, ExitAsksFirstAndEndsForGood) {
  const HWND main = StartToMainWindow();
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(ShowTab(main, kAboutTab));
  const auto ask = [&] {
    EXPECT_TRUE(ClickButton(main, "End kstrv7.exe"));
    return WaitForWindow(WindowQuery().OfClass("#32770").OfProcess(kestrove_->Id()).VisibleOnly(),
                         "the question \"Exit Kestrove Pro 2011\"");
  };

  HWND question = ask();
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(WindowTitle(question), kExitTitle);
  EXPECT_EQ(ChildText(question, 0xFFFF).rfind("This will remove kestrove from memory", 0), 0u)
      << "text \"" << ChildText(question, 0xFFFF) << "\"";
  Screenshot("exit-question");
  ASSERT_TRUE(ClickButton(question, IDCANCEL));
  EXPECT_TRUE(WaitUntil([&] { return !Exists(question); }, "the question to close"));
  EXPECT_TRUE(HoldsFor([&] { return kestrove_->Running() && IsShown(main); }, kQuietPeriod,
                       "the program running on with its window after Cancel"));

  question = ask();
  ASSERT_NE(question, nullptr);
  ASSERT_TRUE(ClickButton(question, IDOK));
  EXPECT_TRUE(kestrove_->WaitForExit().has_value()) << "the program still runs after OK";
  EXPECT_TRUE(HoldsFor([] { return KestroveProcesses().empty(); }, kStaysGone, "no kstrv7.exe after Exit"));
}

// ---- Configuration window ----------------------------------------------------------

class MainWindow : public QuietScenario {};

TEST_F(MainWindow, PasswordOpensSixTabs) {
  const HWND main = StartToMainWindow();
  ASSERT_NE(main, nullptr);
  const HWND tabs = FindChild(main, "SysTabControl32");
  ASSERT_NE(tabs, nullptr) << "no tab control on " << Describe(main);
  std::vector<std::string> expected;
  for (const TabPage& page : kTabPages) expected.push_back(page.tab);
  EXPECT_EQ(TabCaptions(tabs), expected);

  // About first, so that Tasks, too, is shown after another page hid it.
  for (const int index : {kAboutTab, 0, 1, 2, 3, 4, 5}) {
    const TabPage& page = kTabPages[static_cast<std::size_t>(index)];
    ASSERT_TRUE(ShowTab(main, index));
    for (const TabPage& other : kTabPages) {
      if (&other == &page) continue;
      EXPECT_FALSE(IsShown(FindChild(main, other.control_class, other.control_caption)))
          << "\"" << other.control_caption << "\" of the " << other.tab << " tab shows on the " << page.tab
          << " tab";
    }
    Screenshot(page.shot);
  }
}

// ---- Tray icon -------------------------------------------------------------------

class TrayIcon : public QuietScenario {
 protected:
  // Wine shows its tray window while any icon is in it, and takes the icons of
  // ended programs away shortly after they end.
  static bool TrayShown() { return IsShown(FindByTitle(kTrayTitle)); }

  void SetUp() override {
    QuietScenario::SetUp();
    ASSERT_TRUE(WaitUntil([] { return !TrayShown(); }, "Wine's tray to empty before the start"));
  }
};

TEST_F(TrayIcon, DoubleClickRaisesPromptRightClickDoesNot) {
  const HWND main = StartToMainWindow();
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(WaitUntil(TrayShown, "Wine's tray with the program's icon"));
  ASSERT_TRUE(ClickButton(main, "Cancel"));
  ASSERT_TRUE(WaitUntil([&] { return !IsShown(main) && FindTopLevel(PromptOf(kestrove_->Id())) == nullptr; },
                        "the configuration window to hide"));

  ASSERT_TRUE(::PostMessageW(main, kTrayCallback, 1, WM_RBUTTONUP));
  EXPECT_TRUE(HoldsFor([&] { return FindTopLevel(PromptOf(kestrove_->Id())) == nullptr && !IsShown(main); },
                       kQuietPeriod, "nothing to show after a right click on the icon"));

  ASSERT_TRUE(::PostMessageW(main, kTrayCallback, 1, WM_LBUTTONDBLCLK));
  EXPECT_NE(WaitForPrompt(kestrove_->Id()), nullptr);
}

TEST_F(TrayIcon, NoTrayIconSettingKeepsIconAway) {
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kSettingsKey, "Tray", "1"));
  ASSERT_NE(StartToPrompt(), nullptr);
  // The icon is put up while the program loads, before the prompt.
  EXPECT_TRUE(HoldsFor([] { return !TrayShown(); }, kQuietPeriod, "Wine's tray staying empty"));
}

}  // namespace
}  // namespace e2e
