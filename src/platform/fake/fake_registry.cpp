// In-memory registry for host tests.
#include "platform/fake/fake_registry.h"

#include <algorithm>

#include "platform/text.h"

namespace platform::fake {
namespace {

std::string Lower(std::string_view text) {
  return AsciiLower(text);
}

// The non-empty parts of a "\"-separated key path, lower-cased.
std::vector<std::string> Parts(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('\\', start), path.size());
    if (end > start) parts.push_back(Lower(path.substr(start, end - start)));
    start = end + 1;
  }
  return parts;
}

}  // namespace

FakeRegistry::FakeRegistry() {
  roots_[RegRoot::kCurrentUser] = std::make_unique<Node>();
  roots_[RegRoot::kLocalMachine] = std::make_unique<Node>();
}

const FakeRegistry::Node* FakeRegistry::FindNode(RegRoot root, std::string_view path) const {
  const auto root_it = roots_.find(root);
  if (root_it == roots_.end()) return nullptr;
  const Node* node = root_it->second.get();
  for (const std::string& part : Parts(path)) {
    const auto it = node->children.find(part);
    if (it == node->children.end()) return nullptr;
    node = it->second.get();
  }
  return node;
}

FakeRegistry::Node* FakeRegistry::MakeNode(RegRoot root, std::string_view path) {
  Node* node = roots_.at(root).get();
  for (const std::string& part : Parts(path)) {
    auto& child = node->children[part];
    if (!child) child = std::make_unique<Node>();
    node = child.get();
  }
  return node;
}

bool FakeRegistry::TryWrite() {
  ++writes_;
  if (fail_once_ != 0 && writes_ == fail_once_) return false;
  return !(fail_from_ != 0 && writes_ >= fail_from_);
}

void FakeRegistry::WriteDone() {
  if (after_write) after_write();
}

// ---- Arranging and inspecting ------------------------------------------------

void FakeRegistry::PutString(RegRoot root, std::string_view path, std::string_view name,
                             std::string_view text) {
  PutRaw(root, path, name, RegType::kSz, EncodeRegSz(text));
}

void FakeRegistry::PutDword(RegRoot root, std::string_view path, std::string_view name,
                            std::uint32_t number) {
  PutRaw(root, path, name, RegType::kDword, DwordBytes(number));
}

void FakeRegistry::PutRaw(RegRoot root, std::string_view path, std::string_view name, RegType type,
                          std::vector<std::uint8_t> data) {
  MakeNode(root, path)->values[Lower(name)] = {std::string(name), RegValue{type, std::move(data)}};
}

std::optional<RegValue> FakeRegistry::Get(RegRoot root, std::string_view path, std::string_view name) const {
  const Node* node = FindNode(root, path);
  if (node == nullptr) return std::nullopt;
  const auto it = node->values.find(Lower(name));
  if (it == node->values.end()) return std::nullopt;
  return it->second.second;
}

std::optional<std::string> FakeRegistry::GetString(RegRoot root, std::string_view path,
                                                   std::string_view name) const {
  const auto value = Get(root, path, name);
  if (!value || value->type != RegType::kSz) return std::nullopt;
  return DecodeRegSz(value->data);
}

bool FakeRegistry::KeyExists(RegRoot root, std::string_view path) const {
  return FindNode(root, path) != nullptr;
}

std::vector<std::string> FakeRegistry::ValueNames(RegRoot root, std::string_view path) const {
  std::vector<std::string> names;
  if (const Node* node = FindNode(root, path)) {
    for (const auto& [lower, entry] : node->values) names.push_back(entry.first);
  }
  return names;
}

// ---- RegistryService -----------------------------------------------------------

RegistryService::Key FakeRegistry::CreateKey(RegRoot root, std::string_view path) {
  if (read_only_root == root) {
    ++refused_opens_;
    return kNoKey;
  }
  if (FindNode(root, path) == nullptr) {
    if (!TryWrite()) return kNoKey;
    MakeNode(root, path);
    WriteDone();
  }
  const Key key = next_key_++;
  handles_[key] = Handle{root, std::string(path)};
  return key;
}

RegistryService::Key FakeRegistry::OpenKey(RegRoot root, std::string_view path, Access access) {
  if (access == Access::kReadWrite && read_only_root == root) {
    ++refused_opens_;
    return kNoKey;
  }
  if (FindNode(root, path) == nullptr) return kNoKey;
  const Key key = next_key_++;
  handles_[key] = Handle{root, std::string(path)};
  return key;
}

std::optional<RegValue> FakeRegistry::QueryValue(Key key, std::string_view name) {
  ++queries_;
  const auto it = handles_.find(key);
  if (it == handles_.end()) return std::nullopt;
  return Get(it->second.root, it->second.path, name);
}

bool FakeRegistry::SetValue(Key key, std::string_view name, RegType type,
                            const std::vector<std::uint8_t>& data) {
  const auto it = handles_.find(key);
  if (it == handles_.end()) return false;
  // A key deleted since it was opened takes no values.
  if (FindNode(it->second.root, it->second.path) == nullptr) return false;
  if (!TryWrite()) return false;
  PutRaw(it->second.root, it->second.path, name, type, data);
  WriteDone();
  return true;
}

std::vector<std::string> FakeRegistry::ValueNames(Key key) {
  const auto it = handles_.find(key);
  return it == handles_.end() ? std::vector<std::string>() : ValueNames(it->second.root, it->second.path);
}

bool FakeRegistry::DeleteValue(Key key, std::string_view name) {
  const auto it = handles_.find(key);
  if (it == handles_.end()) return false;
  const Node* found = FindNode(it->second.root, it->second.path);
  if (found == nullptr) return false;
  if (!TryWrite()) return false;
  Node* node = MakeNode(it->second.root, it->second.path);
  const bool erased = node->values.erase(Lower(name)) > 0;
  WriteDone();
  return erased;
}

bool FakeRegistry::DeleteKey(RegRoot root, std::string_view path) {
  const std::vector<std::string> parts = Parts(path);
  if (parts.empty()) return false;
  const Node* target = FindNode(root, path);
  if (target == nullptr || !target->children.empty()) return false;
  if (!TryWrite()) return false;
  Node* parent = roots_.at(root).get();
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) parent = parent->children.at(parts[i]).get();
  parent->children.erase(parts.back());
  WriteDone();
  return true;
}

void FakeRegistry::CloseKey(Key key) {
  handles_.erase(key);
}

}  // namespace platform::fake
