// The registry access layer's contract against the fake registry: missing
// reads as "" or 0, type checks, nothing created by a read.
#include "config/registry_edit.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_registry.h"
#include "platform/text.h"

namespace {

using platform::RegRoot;
using platform::RegType;

constexpr RegRoot kHklm = RegRoot::kLocalMachine;

class RegistryEditTest : public ::testing::Test {
 protected:
  platform::fake::FakeRegistry registry;
  config::RegistryEdit edit{registry};
};

TEST_F(RegistryEditTest, ReadsCheckTheTypeAndCreateNothing) {
  EXPECT_EQ(edit.ReadString(kHklm, "Software\\KSV\\Settings", "Tray"), "");
  EXPECT_EQ(edit.ReadDword(kHklm, "Software\\KSV\\Settings", "DisableRegistryTools"), 0);
  EXPECT_FALSE(registry.KeyExists(kHklm, "Software\\KSV"));
  registry.PutRaw(kHklm, "K", "Expand", RegType::kExpandSz, platform::EncodeRegSz("%TEMP%"));
  registry.PutDword(kHklm, "K", "Number", 1);
  registry.PutString(kHklm, "K", "Text", "1");
  EXPECT_EQ(edit.ReadString(kHklm, "K", "Expand"), "");
  EXPECT_EQ(edit.ReadString(kHklm, "K", "Number"), "");
  EXPECT_EQ(edit.ReadDword(kHklm, "K", "Text"), 0);
  EXPECT_EQ(edit.ReadDword(kHklm, "K", "Number"), 1);
  EXPECT_EQ(registry.open_handles(), 0);
}

TEST_F(RegistryEditTest, WritesCreateThePathAndRoundTrip) {
  edit.WriteString(kHklm, "Software\\KSV\\IgnoreList", "Task0", "Ünïcödé ✓ 日本");
  edit.WriteString(kHklm, "Software\\KSV\\IgnoreList", "Empty", "");
  edit.WriteDword(kHklm, "SOFTWARE\\ksv\\Settings", "DisableRegistryTools", -2);
  EXPECT_TRUE(registry.KeyExists(kHklm, "Software\\KSV"));
  EXPECT_EQ(edit.ReadString(kHklm, "software\\ksv\\ignorelist", "TASK0"), "Ünïcödé ✓ 日本");
  EXPECT_EQ(registry.Get(kHklm, "Software\\KSV\\IgnoreList", "Empty")->type, RegType::kSz);
  EXPECT_EQ(edit.ReadString(kHklm, "Software\\KSV\\IgnoreList", "Empty"), "");
  EXPECT_EQ(edit.ReadDword(kHklm, "Software\\KSV\\Settings", "DisableRegistryTools"), -2);
  EXPECT_EQ(registry.open_handles(), 0);
}

TEST_F(RegistryEditTest, DeletesNeverFailToTheCaller) {
  edit.WriteString(kHklm, "Software\\KSV\\IgnoreList", "Task0", "x");
  edit.DeleteValue(kHklm, "Software\\KSV\\IgnoreList", "Task7");
  edit.DeleteValue(kHklm, "Software\\Nowhere", "Task0");
  EXPECT_FALSE(registry.KeyExists(kHklm, "Software\\Nowhere"));
  edit.DeleteValue(kHklm, "Software\\KSV\\IgnoreList", "task0");
  EXPECT_FALSE(registry.Get(kHklm, "Software\\KSV\\IgnoreList", "Task0"));
  edit.DeleteKey(kHklm, "Software\\KSV\\IgnoreList");
  EXPECT_FALSE(registry.KeyExists(kHklm, "Software\\KSV\\IgnoreList"));
  EXPECT_TRUE(registry.KeyExists(kHklm, "Software\\KSV"));
}

TEST_F(RegistryEditTest, RefusedWritesAreLostQuietly) {
  registry.FailWritesFrom(1);
  edit.WriteString(kHklm, "Software\\KSV\\Settings", "Tray", "1");
  edit.WriteDword(kHklm, "Software\\KSV\\Settings", "DisableRegistryTools", 1);
  EXPECT_FALSE(registry.KeyExists(kHklm, "Software\\KSV\\Settings"));
  EXPECT_EQ(registry.open_handles(), 0);
}

}  // namespace
