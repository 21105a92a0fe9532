// The registry backend below a throwaway key Software\KSVTest\<pid> of both
// roots the program uses: value types and bytes as Windows stores them, keys
// made on write only, non-ANSI names. What the access layer makes of the
// values: tests/config/registry_edit_test.cpp, against the fake registry.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <vector>
#include <gtest/gtest.h>

#include "config/registry_edit.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_registry.h"
#include "win32/win32_test_support.h"

namespace {

using platform::RegRoot;
using platform::win32::ToWide;
using win32_test::Join;
using Bytes = std::vector<std::uint8_t>;

// The bytes of a wide text as Windows stores it, with the NUL when asked.
Bytes WideBytes(std::wstring_view text, bool with_nul) {
  Bytes bytes;
  for (const wchar_t unit : text)
    bytes.insert(bytes.end(), {std::uint8_t(unit & 0xFF), std::uint8_t(unit >> 8)});
  if (with_nul) bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

class RegistryTest : public ::testing::TestWithParam<RegRoot> {
 protected:
  void SetUp() override { ::RegDeleteTreeW(Root(), key_.c_str()); }
  void TearDown() override {
    ::RegDeleteTreeW(Root(), key_.c_str());
    ::RegDeleteKeyW(Root(), L"Software\\KSVTest");  // only when no other run uses it
    EXPECT_EQ(registry.open_keys(), 0U) << "a key handle leaked";
  }
  HKEY Root() const { return root == RegRoot::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }
  // A value read bypassing the code under test: its type and bytes.
  std::optional<std::pair<DWORD, Bytes>> GetRaw(const std::string& sub_key, const std::string& name) const {
    platform::win32::UniqueKey key;
    DWORD type = REG_NONE;
    Bytes data(8192);
    auto size = static_cast<DWORD>(data.size());
    if (::RegOpenKeyExW(Root(), ToWide(base_ + sub_key).c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS ||
        ::RegQueryValueExW(key.get(), ToWide(name).c_str(), nullptr, &type, data.data(), &size) !=
            ERROR_SUCCESS)
      return std::nullopt;
    data.resize(size);
    return std::pair{type, data};
  }

  const RegRoot root = GetParam();
  const std::string base_ = "Software\\KSVTest\\" + std::to_string(::GetCurrentProcessId());
  const std::wstring key_ = ToWide(base_);
  platform::win32::Win32Registry registry;
  config::RegistryEdit edit{registry};
};

// Values written with the registry's own API read back with their type and
// exact bytes: no NUL added or dropped, no size limit.
TEST_P(RegistryTest, StoredValuesReadWithTheirTypeAndBytes) {
  const Bytes big(5000, 0x7A);  // more than the first read's buffer
  const std::tuple<const char*, DWORD, Bytes> values[] = {
      {"NoNul", REG_SZ, WideBytes(L"abc", false)},
      {"WithNul", REG_SZ, WideBytes(L"abc", true)},
      {"Empty", REG_SZ, {}},
      {"Expand", REG_EXPAND_SZ, WideBytes(L"%TEMP%", true)},
      {"Number", REG_DWORD, {0xFE, 0xFF, 0xFF, 0xFF}},
      {"Big", REG_BINARY, big},
  };
  for (const auto& [name, type, data] : values) {
    // Stored from a buffer with a character after the data: Windows would
    // count a NUL found there as part of a string value.
    Bytes buffer = data;
    buffer.insert(buffer.end(), {'d', 0});
    ASSERT_EQ(::RegSetKeyValueW(Root(), key_.c_str(), ToWide(name).c_str(), type, buffer.data(),
                                static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
  }
  const platform::ScopedKey opened(registry,
                                   registry.OpenKey(root, base_, platform::RegistryService::Access::kRead));
  ASSERT_TRUE(opened.valid());
  for (const auto& [name, type, data] : values) {
    const auto raw = registry.QueryValue(opened.get(), name);
    ASSERT_TRUE(raw.has_value()) << name;
    EXPECT_EQ(raw->type, static_cast<platform::RegType>(type)) << name;
    EXPECT_EQ(raw->data, data) << name;
  }
  EXPECT_FALSE(registry.QueryValue(opened.get(), "Missing").has_value());
}

// Writes create the whole key path and store what any tool reads: REG_SZ as
// UTF-16 with its NUL, also for names and texts outside the ANSI code page.
// Reading in a missing key creates nothing.
TEST_P(RegistryTest, WritesCreateThePathAndStoreWhatAnyToolReads) {
  const std::string deep = "\\Settings\\Задачи 任务";
  const std::string text = "Задачи — 任务管理器 ✓";
  EXPECT_EQ(edit.ReadString(root, base_ + deep, "Задача0"), "");
  platform::win32::UniqueKey created;
  EXPECT_NE(::RegOpenKeyExW(Root(), key_.c_str(), 0, KEY_READ, created.put()), ERROR_SUCCESS)
      << "made by a read";
  edit.WriteString(root, base_ + deep, "Задача0", text);
  edit.WriteDword(root, base_ + deep, "Count", -2);
  EXPECT_EQ(GetRaw(deep, "Задача0"), std::pair(DWORD{REG_SZ}, WideBytes(ToWide(text), true)));
  EXPECT_EQ(GetRaw(deep, "Count"), std::pair(DWORD{REG_DWORD}, Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
  edit.DeleteValue(root, base_ + deep, "Count");
  edit.DeleteKey(root, base_ + "\\Settings");  // a key with subkeys stays
  EXPECT_EQ(Join(GetRaw(deep, "Count").has_value(), GetRaw(deep, "Задача0").has_value()), "0 1");
}

INSTANTIATE_TEST_SUITE_P(Roots, RegistryTest,
                         ::testing::Values(RegRoot::kCurrentUser, RegRoot::kLocalMachine),
                         [](const ::testing::TestParamInfo<RegRoot>& info) {
                           return info.param == RegRoot::kLocalMachine ? "LocalMachine" : "CurrentUser";
                         });

}  // namespace
