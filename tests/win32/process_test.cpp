// Hiding from the task list through the services bundle: the registered
// owner window of the forms is hidden, whether it is registered before or
// after the request.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/win32_services.h"
#include "win32/win32_test_support.h"

namespace {

using platform::win32::Win32Services;
using win32_test::TestWindow;

TEST(ProcessTest, HidingFromTheTaskListHidesTheOwnerOfTheForms) {
  Win32Services win32(::GetModuleHandleW(nullptr));
  platform::ProcessService& process = win32.services().process;
  const TestWindow owner(L"KSV Owner Test");
  win32.process().SetOwnerWindow(owner.hwnd());
  EXPECT_FALSE(process.HiddenFromTaskList());
  ASSERT_NE(::IsWindowVisible(owner.hwnd()), FALSE);

  process.HideFromTaskList();
  EXPECT_TRUE(process.HiddenFromTaskList());
  EXPECT_EQ(::IsWindowVisible(owner.hwnd()), FALSE);

  // An owner registered later (the forms' owner is recreated) is hidden too.
  const TestWindow later(L"KSV Later Owner Test");
  win32.process().SetOwnerWindow(later.hwnd());
  EXPECT_EQ(::IsWindowVisible(later.hwnd()), FALSE);
}

}  // namespace
