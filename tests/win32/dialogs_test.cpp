// The standard message box, shown for real and answered from a second thread
// as a user would: found by its title, its text read, a button pressed.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_system.h"
#include "win32/backend_test_support.h"
#include "win32/win32_test_support.h"

namespace {

namespace box = platform::box;
using platform::kNoWindow;
using platform::win32::FromWide;
using platform::win32::Win32Dialogs;
using win32_test::DialogDriver;
using win32_test::PollUntil;
using win32_test::PressButton;
using win32_test::TestWindow;
using win32_test::WindowText;

constexpr int kMessageTextId = 65535;  // the static that shows a message box's text

std::wstring UniqueTitle() {
  static std::atomic<int> serial{0};
  return L"KSV Box \u0422\u0435\u0441\u0442 \u6d4b\u8bd5 " + std::to_wstring(::GetCurrentProcessId()) + L"-" +
         std::to_wstring(++serial);
}

// What the second thread saw of the box before it answered.
struct Seen {
  std::wstring text;
  bool has_ok = false;
  bool has_cancel = false;
  HWND owner = nullptr;
};

// Answers the box titled `title` with the button `answer`, noting what it saw.
DialogDriver Answer(
    const std::wstring& title, int answer, Seen& seen,
    const std::function<bool()>& before = [] { return true; }) {
  return DialogDriver([title](HWND dialog) { return WindowText(dialog) == title; },
                      [answer, &seen, before](HWND dialog) {
                        wchar_t text[1024] = {};
                        ::GetDlgItemTextW(dialog, kMessageTextId, text, 1024);
                        seen.text = text;
                        seen.has_ok = ::GetDlgItem(dialog, IDOK) != nullptr;
                        seen.has_cancel = ::GetDlgItem(dialog, IDCANCEL) != nullptr;
                        seen.owner = ::GetWindow(dialog, GW_OWNER);
                        PollUntil(before);
                        PressButton(dialog, answer);
                      });
}

TEST(DialogsTest, OkBoxShowsItsTextAndAnswersOk) {
  Win32Dialogs dialogs;
  const std::wstring title = UniqueTitle();
  const std::wstring text =
      L"Auto-update of configuration completed on 6-\u0434\u0435\u043a\u0430\u0431\u0440\u044f 9:05";
  Seen seen;
  DialogDriver driver = Answer(title, IDOK, seen);
  EXPECT_EQ(dialogs.ShowMessageBox(kNoWindow, FromWide(text), FromWide(title), box::kOk), box::kAnswerOk);
  driver.Join();
  ASSERT_TRUE(driver.found()) << "no box with the title";
  EXPECT_EQ(seen.text, text);
  EXPECT_TRUE(seen.has_ok);
}

TEST(DialogsTest, OkCancelBoxOwnedByAWindowAnswersCancelWhileTimersRun) {
  Win32Dialogs dialogs;
  const TestWindow owner(L"KSV Box Owner");
  static std::atomic<int> ticks{0};
  ticks = 0;
  ::SetTimer(owner.hwnd(), 1, 20, [](HWND, UINT, UINT_PTR, DWORD) { ++ticks; });
  const std::wstring title = UniqueTitle();
  Seen seen;
  DialogDriver driver = Answer(title, IDCANCEL, seen, [] { return ticks >= 2; });
  EXPECT_EQ(dialogs.ShowMessageBox(owner.id(), "Apply the changes?", FromWide(title),
                                   box::kOkCancel | box::kIconExclamation),
            box::kAnswerCancel);
  driver.Join();
  ::KillTimer(owner.hwnd(), 1);
  ASSERT_TRUE(driver.found()) << "no box with the title";
  EXPECT_EQ(seen.text, L"Apply the changes?");
  EXPECT_TRUE(seen.has_ok);
  EXPECT_TRUE(seen.has_cancel);
  EXPECT_EQ(seen.owner, owner.hwnd());
  EXPECT_GE(ticks, 2) << "the owner's timer ran while the box was up";
}

}  // namespace
