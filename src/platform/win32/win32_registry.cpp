// The registry over advapi32 (W entry points; key paths and value names are
// converted from UTF-8 at this boundary, value data passes through as bytes).
#include "platform/win32/win32_registry.h"

#include <algorithm>
#include <string>

#include "platform/win32/wide_text.h"

namespace platform::win32 {
namespace {

HKEY RootKey(RegRoot root) {
  return root == RegRoot::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// The path with empty parts dropped ("\A\\B\" is "A\B"), as the key tree
// reads it; Windows itself rejects a leading separator.
std::wstring KeyPath(std::string_view path) {
  std::wstring out;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) {
      if (!out.empty()) out.push_back(L'\\');
      out += ToWide(path.substr(start, end - start));
    }
    start = end + 1;
  }
  return out;
}

}  // namespace

RegistryService::Key Win32Registry::Keep(HKEY key) {
  const Key id = next_key_++;
  keys_.emplace(id, UniqueKey(key));
  return id;
}

HKEY Win32Registry::Find(Key key) const {
  const auto it = keys_.find(key);
  return it == keys_.end() ? nullptr : it->second.get();
}

RegistryService::Key Win32Registry::CreateKey(RegRoot root, std::string_view path) {
  HKEY key = nullptr;
  const LSTATUS status =
      ::RegCreateKeyExW(RootKey(root), KeyPath(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
  return status == ERROR_SUCCESS ? Keep(key) : kNoKey;
}

RegistryService::Key Win32Registry::OpenKey(RegRoot root, std::string_view path, Access access) {
  HKEY key = nullptr;
  const REGSAM rights = access == Access::kRead ? KEY_READ : KEY_READ | KEY_WRITE;
  const LSTATUS status = ::RegOpenKeyExW(RootKey(root), KeyPath(path).c_str(), 0, rights, &key);
  return status == ERROR_SUCCESS ? Keep(key) : kNoKey;
}

std::optional<RegValue> Win32Registry::QueryValue(Key key, std::string_view name) {
  const HKEY hkey = Find(key);
  if (hkey == nullptr) return std::nullopt;
  const std::wstring wide_name = ToWide(name);
  std::vector<std::uint8_t> data(256);
  // The value may grow between the call that reports its size and the one
  // that reads it; try again with the size Windows reports.
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD type = REG_NONE;
    auto size = static_cast<DWORD>(data.size());
    const LSTATUS status = ::RegQueryValueExW(hkey, wide_name.c_str(), nullptr, &type, data.data(), &size);
    if (status == ERROR_MORE_DATA) {
      data.resize(std::max<std::size_t>(size, data.size() * 2));
      continue;
    }
    if (status != ERROR_SUCCESS) return std::nullopt;
    data.resize(size);
    return RegValue{static_cast<RegType>(type), std::move(data)};
  }
  return std::nullopt;
}

bool Win32Registry::SetValue(Key key, std::string_view name, RegType type,
                             const std::vector<std::uint8_t>& data) {
  const HKEY hkey = Find(key);
  if (hkey == nullptr) return false;
  return ::RegSetValueExW(hkey, ToWide(name).c_str(), 0, static_cast<DWORD>(type),
                          data.empty() ? nullptr : data.data(),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

std::vector<std::string> Win32Registry::ValueNames(Key key) {
  std::vector<std::string> names;
  const HKEY hkey = Find(key);
  if (hkey == nullptr) return names;
  // The longest value name Windows allows, and its NUL.
  std::wstring name(16384, L'\0');
  for (DWORD index = 0;; ++index) {
    auto length = static_cast<DWORD>(name.size());
    if (::RegEnumValueW(hkey, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      return names;
    }
    names.push_back(FromWide(std::wstring_view(name).substr(0, length)));
  }
}

std::size_t Win32Registry::ValueCount(Key key) {
  const HKEY hkey = Find(key);
  DWORD values = 0;
  if (hkey == nullptr || ::RegQueryInfoKeyW(hkey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                            &values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return 0;
  }
  return values;
}

bool Win32Registry::DeleteValue(Key key, std::string_view name) {
  const HKEY hkey = Find(key);
  if (hkey == nullptr) return false;
  return ::RegDeleteValueW(hkey, ToWide(name).c_str()) == ERROR_SUCCESS;
}

bool Win32Registry::DeleteKey(RegRoot root, std::string_view path) {
  const std::wstring wide_path = KeyPath(path);
  // An empty path would name the root itself.
  if (wide_path.empty()) return false;
  return ::RegDeleteKeyW(RootKey(root), wide_path.c_str()) == ERROR_SUCCESS;
}

void Win32Registry::CloseKey(Key key) {
  keys_.erase(key);
}

}  // namespace platform::win32
