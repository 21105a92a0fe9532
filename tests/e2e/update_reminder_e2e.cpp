// End to end: "Don't show again" on the update reminder, ticked by an account
// that may not write the machine-wide settings key, keeps the reminder away at
// the next start. The key's permissions are made read-only for everyone, so
// Windows (and Wine, which checks a key's permissions) refuses the write.
#include "e2e/harness.h"

#include <sddl.h>

namespace e2e {
namespace {

constexpr platform::RegRoot kUser = platform::RegRoot::kCurrentUser;
constexpr std::string_view kReminderTitle = "Kestrove Pro 2011 Update";

// Sets the settings key's permissions, from SDDL.
bool ProtectSettingsKey(const wchar_t* sddl) {
  HKEY key = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const bool set =
      ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\KSV\\Settings", 0, nullptr, 0, WRITE_DAC, nullptr,
                        &key, nullptr) == ERROR_SUCCESS &&
      ::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr) &&
      ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
  ::LocalFree(descriptor);
  if (key != nullptr) ::RegCloseKey(key);
  return set;
}

// The settings key read-only for everyone while the scenario runs.
class UpdateReminder : public Scenario {
 protected:
  void TearDown() override {
    ProtectSettingsKey(L"D:P(A;OICI;KA;;;WD)");
    Scenario::TearDown();
  }
};

TEST_F(UpdateReminder, DontShowAgainByAnAccountThatCannotWriteTheMachineKeyHoldsAtTheNextStart) {
  registry_.DeleteValue(kMachine, kSettingsKey, "DontShowUpdate");
  ASSERT_TRUE(ProtectSettingsKey(L"D:P(A;OICI;KR;;;WD)"));
  ASSERT_FALSE(registry_.TryWriteString(kMachine, kSettingsKey, "Probe", "1")) << "the key is still writable";

  StartKestrove();
  const HWND reminder = WaitForShown(kReminderTitle, "the update reminder");
  ASSERT_NE(reminder, nullptr);
  ASSERT_TRUE(ClickButton(reminder, "Don't show again"));
  EXPECT_TRUE(WaitUntil([&] { return registry_.ReadString(kUser, kSettingsKey, "DontShowUpdate") == "1"; },
                        "the choice kept in the account's own settings"));
  EXPECT_EQ(registry_.ReadString(kMachine, kSettingsKey, "DontShowUpdate"), "");
  ASSERT_TRUE(kestrove_->End());

  StartKestrove();
  ASSERT_NE(WaitForPrompt("of the second start"), nullptr);
  EXPECT_TRUE(HoldsFor([&] { return Shown(kReminderTitle) == nullptr; }, kThreeTicks, "no update reminder"));
}

}  // namespace
}  // namespace e2e
