// The registry access layer over the registry service.
#include "config/registry_edit.h"

#include <cstdint>
#include <vector>

#include "platform/text.h"

namespace config {

using platform::RegType;
using platform::ScopedKey;
using Access = platform::RegistryService::Access;

void RegistryEdit::CreateKey(RegRoot root, std::string_view path) {
  const ScopedKey key(registry_, registry_.CreateKey(root, path));
}

namespace {

std::string QueryString(platform::RegistryService& registry, platform::RegistryService::Key key,
                        std::string_view name) {
  if (key == platform::RegistryService::kNoKey) return {};
  const auto value = registry.QueryValue(key, name);
  if (!value || value->type != RegType::kSz) return {};
  return platform::DecodeRegSz(value->data);
}

}  // namespace

std::string RegistryEdit::ReadString(RegRoot root, std::string_view path, std::string_view name) {
  const ScopedKey key(registry_, registry_.OpenKey(root, path, Access::kRead));
  return QueryString(registry_, key.get(), name);
}

RegistryEdit::KeyReader::KeyReader(RegistryEdit& edit, RegRoot root, std::string_view path)
    : registry_(edit.registry_),
      root_(root),
      path_(path),
      key_(registry_.OpenKey(root, path, Access::kRead)),
      unread_(opened() ? registry_.ValueCount(key_) : 0) {}

RegistryEdit::KeyReader::~KeyReader() {
  if (opened()) registry_.CloseKey(key_);
}

void RegistryEdit::KeyReader::Reopen() {
  if (opened()) registry_.CloseKey(key_);
  key_ = registry_.OpenKey(root_, path_, Access::kRead);
  unread_ = opened() ? SIZE_MAX : 0;
}

std::string RegistryEdit::KeyReader::ReadString(std::string_view name) {
  if (!opened()) return {};
  const auto value = registry_.QueryValue(key_, name);
  if (!value) return {};
  if (unread_ != 0 && unread_ != SIZE_MAX) --unread_;
  if (value->type != RegType::kSz) return {};
  return platform::DecodeRegSz(value->data);
}

void RegistryEdit::WriteString(RegRoot root, std::string_view path, std::string_view name,
                               std::string_view text) {
  static_cast<void>(TryWriteString(root, path, name, text));
}

bool RegistryEdit::TryWriteString(RegRoot root, std::string_view path, std::string_view name,
                                  std::string_view text) {
  const ScopedKey key(registry_, registry_.CreateKey(root, path));
  return key.valid() && registry_.SetValue(key.get(), name, RegType::kSz, platform::EncodeRegSz(text));
}

std::int32_t RegistryEdit::ReadDword(RegRoot root, std::string_view path, std::string_view name) {
  const ScopedKey key(registry_, registry_.OpenKey(root, path, Access::kRead));
  if (!key.valid()) return 0;
  const auto value = registry_.QueryValue(key.get(), name);
  if (!value || value->type != RegType::kDword || value->data.size() != 4) return 0;
  const std::uint32_t number = value->data[0] | (static_cast<std::uint32_t>(value->data[1]) << 8U) |
                               (static_cast<std::uint32_t>(value->data[2]) << 16U) |
                               (static_cast<std::uint32_t>(value->data[3]) << 24U);
  return static_cast<std::int32_t>(number);
}

void RegistryEdit::WriteDword(RegRoot root, std::string_view path, std::string_view name,
                              std::int32_t number) {
  const ScopedKey key(registry_, registry_.CreateKey(root, path));
  if (!key.valid()) return;
  registry_.SetValue(key.get(), name, RegType::kDword,
                     platform::DwordBytes(static_cast<std::uint32_t>(number)));
}

void RegistryEdit::DeleteKey(RegRoot root, std::string_view path) {
  registry_.DeleteKey(root, path);
}

std::vector<std::string> RegistryEdit::ValueNames(RegRoot root, std::string_view path) {
  const ScopedKey key(registry_, registry_.OpenKey(root, path, Access::kRead));
  return key.valid() ? registry_.ValueNames(key.get()) : std::vector<std::string>();
}

void RegistryEdit::DeleteValue(RegRoot root, std::string_view path, std::string_view name) {
  const ScopedKey key(registry_, registry_.OpenKey(root, path, Access::kReadWrite));
  if (!key.valid()) return;
  registry_.DeleteValue(key.get(), name);
}

}  // namespace config
