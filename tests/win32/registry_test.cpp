// The registry access layer over the real registry (Win32Registry), under a
// throwaway key Software\KSVTest\<pid> of both roots the program uses,
// removed afterwards: value types, NUL handling, key creation, deletion and
// texts outside the ANSI code page.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include <gtest/gtest.h>

#include "config/registry_edit.h"
#include "platform/win32/win32_registry.h"

namespace {

using platform::RegRoot;

HKEY RootKey(RegRoot root) {
  return root == RegRoot::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

struct RawValue {
  DWORD type = REG_NONE;
  std::vector<std::uint8_t> data;
};

// The bytes of a wide text as Windows stores it, with the NUL when asked.
std::vector<std::uint8_t> WideBytes(std::wstring_view text, bool with_nul) {
  std::vector<std::uint8_t> bytes;
  for (const wchar_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
  }
  if (with_nul) bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

class RegistryTest : public ::testing::TestWithParam<RegRoot> {
 protected:
  void SetUp() override { ::RegDeleteTreeW(RootKey(GetParam()), base_wide_.c_str()); }
  void TearDown() override {
    ::RegDeleteTreeW(RootKey(GetParam()), base_wide_.c_str());
    ::RegDeleteKeyW(RootKey(GetParam()), L"Software\\KSVTest");  // only when no other run uses it
    EXPECT_EQ(registry.open_keys(), 0U) << "a key handle leaked";
  }

  // Writes a value with the registry's own API, bypassing the code under test.
  // Stores the first `size` bytes of data (all of it by default).
  void PutRaw(const std::wstring& sub_key, const wchar_t* name, DWORD type,
              const std::vector<std::uint8_t>& data, std::size_t size = SIZE_MAX) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(RootKey(GetParam()), (base_wide_ + sub_key).c_str(), 0, nullptr, 0, KEY_WRITE,
                                nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(::RegSetValueExW(key, name, 0, type, data.empty() ? nullptr : data.data(),
                               static_cast<DWORD>(std::min(size, data.size()))),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
  }

  std::optional<RawValue> GetRaw(const std::wstring& sub_key, const wchar_t* name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(RootKey(GetParam()), (base_wide_ + sub_key).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
      return std::nullopt;
    }
    RawValue value;
    DWORD size = 0;
    LSTATUS status = ::RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
      value.data.resize(size);
      status = ::RegQueryValueExW(key, name, nullptr, &value.type, value.data.data(), &size);
    }
    ::RegCloseKey(key);
    if (status != ERROR_SUCCESS) return std::nullopt;
    return value;
  }

  bool KeyExists(const std::wstring& sub_key) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(RootKey(GetParam()), (base_wide_ + sub_key).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
      return false;
    }
    ::RegCloseKey(key);
    return true;
  }

  RegRoot root() const { return GetParam(); }

  const std::string base_ = "Software\\KSVTest\\" + std::to_string(::GetCurrentProcessId());
  const std::wstring base_wide_ = L"Software\\KSVTest\\" + std::to_wstring(::GetCurrentProcessId());
  platform::win32::Win32Registry registry;
  config::RegistryEdit edit{registry};
};

TEST_P(RegistryTest, StringsWithAndWithoutTheirNul) {
  // The registry counts a NUL that directly follows the data as part of a
  // string value (as NT does); a character there keeps it out.
  PutRaw(L"", L"NoNul", REG_SZ, WideBytes(L"abcd", false), 6);
  ASSERT_EQ(GetRaw(L"", L"NoNul")->data, WideBytes(L"abc", false));
  PutRaw(L"", L"WithNul", REG_SZ, WideBytes(L"abc", true));
  PutRaw(L"", L"Embedded", REG_SZ, WideBytes(std::wstring(L"a\0b", 3), true));
  PutRaw(L"", L"Empty", REG_SZ, {});
  EXPECT_EQ(edit.ReadString(root(), base_, "NoNul"), "abc");
  EXPECT_EQ(edit.ReadString(root(), base_, "WithNul"), "abc");
  EXPECT_EQ(edit.ReadString(root(), base_, "Embedded"), "a");
  EXPECT_EQ(edit.ReadString(root(), base_, "Empty"), "");
  // The raw bytes pass through unchanged: no NUL added on the way out.
  const platform::ScopedKey key(registry,
                                registry.OpenKey(root(), base_, platform::RegistryService::Access::kRead));
  const auto raw = registry.QueryValue(key.get(), "NoNul");
  ASSERT_TRUE(raw.has_value());
  EXPECT_EQ(raw->type, platform::RegType::kSz);
  EXPECT_EQ(raw->data, WideBytes(L"abc", false));
}

TEST_P(RegistryTest, OnlyTheRightTypeReads) {
  PutRaw(L"", L"Expand", REG_EXPAND_SZ, WideBytes(L"%TEMP%", true));
  DWORD one = 1;
  PutRaw(L"", L"Number", REG_DWORD,
         {reinterpret_cast<std::uint8_t*>(&one), reinterpret_cast<std::uint8_t*>(&one) + 4});
  PutRaw(L"", L"Text", REG_SZ, WideBytes(L"1", true));
  PutRaw(L"", L"Binary", REG_BINARY, {1, 0, 0, 0});
  EXPECT_EQ(edit.ReadString(root(), base_, "Expand"), "");
  EXPECT_EQ(edit.ReadString(root(), base_, "Number"), "");
  EXPECT_EQ(edit.ReadDword(root(), base_, "Text"), 0);
  EXPECT_EQ(edit.ReadDword(root(), base_, "Binary"), 0);
  EXPECT_EQ(edit.ReadDword(root(), base_, "Number"), 1);
}

TEST_P(RegistryTest, ReadingAMissingKeyCreatesNothing) {
  EXPECT_EQ(edit.ReadString(root(), base_ + "\\Settings\\Deep", "Tray"), "");
  EXPECT_EQ(edit.ReadDword(root(), base_ + "\\Settings\\Deep", "Tray"), 0);
  edit.DeleteValue(root(), base_ + "\\Settings\\Deep", "Tray");
  EXPECT_FALSE(KeyExists(L"\\Settings"));
  EXPECT_FALSE(KeyExists(L""));
}

TEST_P(RegistryTest, WritesCreateTheWholeKeyPath) {
  edit.WriteString(root(), base_ + "\\Settings\\Deep", "Tray", "yes");
  edit.WriteDword(root(), base_ + "\\Settings\\Deep", "Count", -2);
  const auto text = GetRaw(L"\\Settings\\Deep", L"Tray");
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(text->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(text->data, WideBytes(L"yes", true));
  const auto number = GetRaw(L"\\Settings\\Deep", L"Count");
  ASSERT_TRUE(number.has_value());
  EXPECT_EQ(number->type, static_cast<DWORD>(REG_DWORD));
  // Key and value names are compared without regard to letter case.
  EXPECT_EQ(edit.ReadString(root(), base_ + "\\SETTINGS\\deep", "TRAY"), "yes");
  EXPECT_EQ(edit.ReadDword(root(), base_ + "\\settings\\Deep", "count"), -2);
}

TEST_P(RegistryTest, TextOutsideTheAnsiCodePageRoundTrips) {
  const std::string text = "Задачи — 任务管理器 ✓";
  edit.WriteString(root(), base_, "Task0", text);
  EXPECT_EQ(edit.ReadString(root(), base_, "Task0"), text);
  // Stored as a REG_SZ any tool reads: UTF-16 with its NUL.
  const auto raw = GetRaw(L"", L"Task0");
  ASSERT_TRUE(raw.has_value());
  EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(raw->data, WideBytes(L"Задачи — 任务管理器 ✓", true));
}

TEST_P(RegistryTest, DeletingValuesAndKeys) {
  edit.WriteString(root(), base_ + "\\List", "Task0", "a");
  edit.WriteString(root(), base_ + "\\List", "Task1", "b");
  edit.DeleteValue(root(), base_ + "\\List", "Task0");
  edit.DeleteValue(root(), base_ + "\\List", "Missing");
  EXPECT_FALSE(GetRaw(L"\\List", L"Task0").has_value());
  EXPECT_EQ(edit.ReadString(root(), base_ + "\\List", "Task1"), "b");

  // Only a key without subkeys goes.
  edit.CreateKey(root(), base_ + "\\Parent\\Child");
  edit.DeleteKey(root(), base_ + "\\Parent");
  EXPECT_TRUE(KeyExists(L"\\Parent\\Child"));
  edit.DeleteKey(root(), base_ + "\\Parent\\Child");
  EXPECT_FALSE(KeyExists(L"\\Parent\\Child"));
  EXPECT_TRUE(KeyExists(L"\\Parent"));
}

TEST_P(RegistryTest, RawValuesOfAnySize) {
  std::vector<std::uint8_t> big(5000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  PutRaw(L"", L"Big", REG_BINARY, big);
  PutRaw(L"", L"Nothing", REG_BINARY, {});
  const platform::ScopedKey key(registry,
                                registry.OpenKey(root(), base_, platform::RegistryService::Access::kRead));
  ASSERT_TRUE(key.valid());
  const auto big_value = registry.QueryValue(key.get(), "Big");
  ASSERT_TRUE(big_value.has_value());
  EXPECT_EQ(big_value->type, platform::RegType::kBinary);
  EXPECT_EQ(big_value->data, big);
  const auto nothing = registry.QueryValue(key.get(), "Nothing");
  ASSERT_TRUE(nothing.has_value());
  EXPECT_TRUE(nothing->data.empty());
  EXPECT_FALSE(registry.QueryValue(key.get(), "Missing").has_value());
  EXPECT_FALSE(registry.QueryValue(key.get() + 100, "Big").has_value()) << "no such key handle";
  EXPECT_FALSE(registry.SetValue(platform::RegistryService::kNoKey, "X", platform::RegType::kSz, {}));
}

INSTANTIATE_TEST_SUITE_P(Roots, RegistryTest,
                         ::testing::Values(RegRoot::kCurrentUser, RegRoot::kLocalMachine),
                         [](const ::testing::TestParamInfo<RegRoot>& info) {
                           return info.param == RegRoot::kLocalMachine ? "LocalMachine" : "CurrentUser";
                         });

}  // namespace
