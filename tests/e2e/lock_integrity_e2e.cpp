// End to end: the lock holds against what other programs do. The start-up
// lock cannot be closed from outside; the program never locks its own
// windows; a hung program does not stop the watch cycle; and closing the
// main window leaves exactly one fresh copy running. Driven from outside, as
// another program or a user would.
#include <chrono>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "e2e/prompt_steps.h"

namespace e2e {
namespace {

using std::chrono::duration_cast;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr const wchar_t* kImage = L"kstrv7.exe";
// How long a fresh copy may take to be up in place of a closed one: it should
// take under five seconds; a slow CI machine gets more.
constexpr milliseconds kRestartDeadline{20000};
// How long the replacement must stay the only copy.
constexpr milliseconds kStaysAlone{5000};

// The program's black cover: its visible window with an empty title over the
// whole screen.
HWND FindCover(DWORD kestrove_id) {
  const int width = ::GetSystemMetrics(SM_CXSCREEN);
  const int height = ::GetSystemMetrics(SM_CYSCREEN);
  for (HWND window : FindWindows(WindowQuery().OfProcess(kestrove_id).VisibleOnly())) {
    RECT rect{};
    if (WindowTitle(window).empty() && ::GetWindowRect(window, &rect) && rect.left <= 0 && rect.top <= 0 &&
        rect.right >= width && rect.bottom >= height) {
      return window;
    }
  }
  return nullptr;
}

// The running copies, for failure messages: "12 (owns the title), 34".
std::string DescribeCopies(const std::vector<DWORD>& ids) {
  std::ostringstream text;
  for (const DWORD id : ids) {
    if (text.tellp() > 0) text << ", ";
    text << id;
    if (FindByTitle(kConfigTitle, id) != nullptr) text << " (owns the title)";
  }
  return ids.empty() ? "none" : text.str();
}

class LockIntegrity : public PromptScenario {
 protected:
  // The copies the program starts by itself are not the harness's to end.
  void TearDown() override {
    PromptScenario::TearDown();
    EndProcessesByImage({kImage});
  }

  // Answers with the right password whatever prompt the program shows, as
  // often as it asks, until its configuration window is up and neither the
  // prompt nor its cover is left.
  bool UnlockToConfiguration(HWND cover, std::source_location where = std::source_location::current()) {
    const DWORD id = kestrove_->Id();
    return WaitUntil(
        [&] {
          if (const HWND prompt = FindPrompt(id)) {
            AnswerPrompt(prompt, kDefaultPassword);
            return false;
          }
          return !IsShown(cover) && IsShown(FindByTitle(kConfigTitle, id));
        },
        "the right password to leave the configuration window and no prompt or cover", where);
  }
};

TEST_F(LockIntegrity, StartupLockOutlastsCloseRequestsFromOtherPrograms) {
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kSettingsKey, "Startup", "1"));
  kestrove_ = &StartKestrove();
  const HWND prompt = WaitForPrompt(kestrove_->Id(), "for the start-up lock");
  ASSERT_NE(prompt, nullptr);
  const HWND cancel = FindChild(prompt, "Button", "Cancel");
  ASSERT_TRUE(WaitUntil([&] { return Exists(cancel) && !::IsWindowEnabled(cancel); },
                        "Cancel to be disabled on the start-up lock"))
      << "Cancel: " << Describe(cancel);
  HWND cover = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        cover = FindCover(kestrove_->Id());
        return cover != nullptr;
      },
      "the black cover behind the prompt"));

  // What another program can do to close them.
  ASSERT_TRUE(PostClose(prompt));
  ASSERT_TRUE(::PostMessageW(prompt, WM_SYSCOMMAND, SC_CLOSE, 0));
  ASSERT_TRUE(PostClose(cover));
  ASSERT_TRUE(HoldsFor([&] { return IsShown(prompt) && IsShown(cover); }, kThreeTicks,
                       "the start-up prompt and its cover staying up after WM_CLOSE and SC_CLOSE"))
      << "prompt: " << Describe(prompt) << "; cover: " << Describe(cover);

  EXPECT_TRUE(UnlockToConfiguration(cover)) << "prompt: " << Describe(FindPrompt(kestrove_->Id()));
}

TEST_F(LockIntegrity, NeverLocksItsOwnWindows) {
  // The entry is found in the prompt's title and in the configuration
  // window's.
  ASSERT_TRUE(SetTaskList({"Kestrove,1"}));
  kestrove_ = &StartKestrove();
  const HWND prompt = WaitForPrompt(kestrove_->Id(), "at start");
  ASSERT_NE(prompt, nullptr);
  ASSERT_TRUE(HoldsFor([&] { return IsShown(prompt) && WindowTitle(prompt) == kPromptTitle; }, kThreeTicks,
                       "the prompt staying visible and titled \"Kestrove\""))
      << "prompt: " << Describe(prompt);
  // The watch cycle looked at it all along.
  EXPECT_TRUE(IsForeground(prompt)) << "foreground: " << Describe(::GetForegroundWindow());

  ASSERT_TRUE(AnswerPrompt(prompt, kDefaultPassword));
  const HWND config =
      WaitForWindow(WindowQuery().Titled(kConfigTitle).OfProcess(kestrove_->Id()).VisibleOnly(),
                    "the configuration window after the password");
  ASSERT_NE(config, nullptr) << "prompt: " << Describe(prompt);
  EXPECT_TRUE(HoldsFor([&] { return IsShown(config) && WindowTitle(config) == kConfigTitle; }, kThreeTicks,
                       "the configuration window staying visible under its own title"))
      << "configuration window: " << Describe(config);
  EXPECT_TRUE(IsForeground(config)) << "foreground: " << Describe(::GetForegroundWindow());
}

TEST_F(LockIntegrity, HungProgramDoesNotStopTheWatch) {
  constexpr std::string_view kHungTitle = "Hung Ledger";
  ASSERT_TRUE(SetTaskList({std::string(kHungTitle) + ",1", "Notepad,1"}));
  ASSERT_NO_FATAL_FAILURE(StartPastGate());

  // Renaming a window waits for its program, which never answers now.
  const HelperWindow hung =
      StartHelperWindow({.class_name = "KsHungWindow", .title = std::string(kHungTitle), .hang = true});
  ASSERT_TRUE(
      WaitUntil([&] { return hung.CountInLog("HUNG") == 1; }, "the helper window to hang once active"));
  ASSERT_NE(WaitForPrompt(kestrove_->Id(), "over the hung window"), nullptr)
      << "helper window: " << Describe(FindByClass("KsHungWindow", hung.process->Id()));

  const HWND notepad = OpenNotepad();
  ASSERT_NE(notepad, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return WindowTitle(notepad) == kHiddenTitle && !IsShown(notepad); },
                        "Notepad to be renamed \"###\" and hidden after the hung window"))
      << "Notepad: " << Describe(notepad) << "; foreground: " << Describe(::GetForegroundWindow());
}

TEST_F(LockIntegrity, ClosedCopyIsReplacedByOneFreshCopy) {
  // Started as Windows starts its Run entry at log-on: through the shell, by
  // a program that ends at once, so the copy's parent is gone and the copy
  // is no process of this harness.
  const std::string command = "cmd.exe /c start \"\" \"" + Narrow(BinDir()) + "\\kstrv7.exe\"";
  const std::unique_ptr<Process> launcher = StartProcess(command, BinDir());
  ASSERT_NE(launcher, nullptr) << "could not start " << command;
  ASSERT_TRUE(launcher->WaitForExit().has_value()) << command << " did not end";
  std::vector<DWORD> copies;
  ASSERT_TRUE(WaitUntil(
      [&] {
        copies = ProcessIdsByImage(kImage);
        return copies.size() == 1;
      },
      "one kstrv7.exe started through the shell"))
      << "copies: " << DescribeCopies(copies);
  const DWORD old_id = copies.front();
  ASSERT_NE(WaitForPrompt(old_id, "for the configuration at start"), nullptr);
  ASSERT_TRUE(WaitUntil([&] { return FindCover(old_id) != nullptr; }, "the black cover behind the prompt"));
  const HWND main = FindByTitle(kConfigTitle, old_id);
  ASSERT_NE(main, nullptr) << "no window titled \"" << kConfigTitle << "\"";

  ASSERT_TRUE(PostClose(main));
  const auto closed = steady_clock::now();
  const auto one_fresh_copy = [&] {
    copies = ProcessIdsByImage(kImage);
    return copies.size() == 1 && copies.front() != old_id &&
           FindByTitle(kConfigTitle, copies.front()) != nullptr;
  };
  ASSERT_TRUE(WaitUntil(one_fresh_copy, kRestartDeadline,
                        "exactly one kstrv7.exe, not the closed one, owning the configuration window"))
      << "closed copy " << old_id << "; copies: " << DescribeCopies(copies);
  const auto restart_ms = duration_cast<milliseconds>(steady_clock::now() - closed).count();
  RecordProperty("restart_ms", static_cast<int>(restart_ms));
  std::cout << "[ restart  ] one fresh copy owned \"" << kConfigTitle << "\" " << restart_ms
            << " ms after the close\n";
  const DWORD fresh_id = copies.front();
  EXPECT_TRUE(HoldsFor([&] { return one_fresh_copy() && copies.front() == fresh_id; }, kStaysAlone,
                       "the fresh copy staying the only kstrv7.exe"))
      << "closed copy " << old_id << ", fresh copy " << fresh_id << "; copies: " << DescribeCopies(copies);
}

}  // namespace
}  // namespace e2e
