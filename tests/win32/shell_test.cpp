// The tray icon against the real shell (Wine shows it in its system tray
// window): add and delete on a real hidden window, refusals, and both
// pictures, which fall back to the system's icon in a build without the
// program's icon resources.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/win32_constants.h"
#include "platform/win32/win32_shell.h"
#include "win32/win32_test_support.h"

namespace {

using platform::TrayIconImage;
using platform::TrayIconRecord;
using platform::win32::Win32Shell;
using win32_test::TestWindow;

class ShellTest : public ::testing::Test {
 protected:
  TrayIconRecord Record(std::uint32_t id, TrayIconImage image, std::string tip) const {
    TrayIconRecord record;
    record.window = window.id();
    record.id = id;
    record.flags = 1 | 2 | 4;  // message, icon, tip
    record.callback_message = platform::win32::kWmTrayCallback;
    record.image = image;
    record.tip = std::move(tip);
    return record;
  }

  TestWindow window{L"KSV Tray Test", false};
  Win32Shell shell;
};

TEST_F(ShellTest, AddThenDeleteOnce) {
  const TrayIconRecord icon = Record(1, TrayIconImage::kProgram, "Kestrove Pro");
  ASSERT_TRUE(shell.AddTrayIcon(icon));
  EXPECT_FALSE(shell.AddTrayIcon(icon)) << "the same window and id are up already";
  EXPECT_TRUE(shell.DeleteTrayIcon(icon));
  EXPECT_FALSE(shell.DeleteTrayIcon(icon)) << "nothing is up any more";
}

TEST_F(ShellTest, UnlockedPictureAndAnOverlongUnicodeTip) {
  // 150 characters, a surrogate pair across the 127-character cut.
  std::string tip(126, 'x');
  tip += "\xF0\x9F\x94\x93 Разблокировано 解锁";
  const TrayIconRecord icon = Record(2, TrayIconImage::kUnlocked, tip);
  ASSERT_TRUE(shell.AddTrayIcon(icon));
  EXPECT_TRUE(shell.DeleteTrayIcon(icon));
}

TEST_F(ShellTest, PicturesAreLoadedOnceAndKept) {
  const HICON program = shell.TrayIcon(TrayIconImage::kProgram);
  ASSERT_NE(program, nullptr);
  EXPECT_EQ(shell.TrayIcon(TrayIconImage::kProgram), program);
  EXPECT_NE(shell.TrayIcon(TrayIconImage::kUnlocked), nullptr);
  ICONINFO info{};
  ASSERT_NE(::GetIconInfo(program, &info), FALSE) << "a usable icon handle";
  if (info.hbmMask != nullptr) ::DeleteObject(info.hbmMask);
  if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
}

}  // namespace
