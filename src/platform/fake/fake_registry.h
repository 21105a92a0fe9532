// An in-memory registry for host tests: a tree of keys per root with
// case-insensitive key and value names and typed raw values. Writes can be
// made to fail on a countdown, so "the write fails after N values" is one
// line of a test.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry_service.h"

namespace platform::fake {

class FakeRegistry : public RegistryService {
 public:
  FakeRegistry();

  // ---- Arranging and inspecting, for tests (never counted as writes).
  void PutString(RegRoot root, std::string_view path, std::string_view name, std::string_view text);
  void PutDword(RegRoot root, std::string_view path, std::string_view name, std::uint32_t number);
  void PutRaw(RegRoot root, std::string_view path, std::string_view name, RegType type,
              std::vector<std::uint8_t> data);
  [[nodiscard]] std::optional<RegValue> Get(RegRoot root, std::string_view path, std::string_view name) const;
  // The text of a REG_SZ value; nullopt when missing or of another type.
  [[nodiscard]] std::optional<std::string> GetString(RegRoot root, std::string_view path,
                                                     std::string_view name) const;
  [[nodiscard]] bool KeyExists(RegRoot root, std::string_view path) const;
  // Value names of a key in the letter case they were written.
  [[nodiscard]] std::vector<std::string> ValueNames(RegRoot root, std::string_view path) const;

  // ---- Fault injection. Writes are SetValue, DeleteValue, DeleteKey and a
  // CreateKey that has to create a key.
  // Every write from the n-th one on (counting from 1, from now) fails.
  void FailWritesFrom(int n) { fail_from_ = writes_ + n; }
  // Only the n-th write from now fails.
  void FailOneWrite(int n) { fail_once_ = writes_ + n; }
  void StopFailing() {
    fail_from_ = 0;
    fail_once_ = 0;
  }
  [[nodiscard]] int writes() const { return writes_; }
  // Values asked for through a key handle.
  [[nodiscard]] int queries() const { return queries_; }
  // Calls a test hook after every successful write (e.g. to kill mid-save).
  std::function<void()> after_write;
  [[nodiscard]] int open_handles() const { return static_cast<int>(handles_.size()); }
  // A standard user's rights: keys of this root open for reading only; any
  // attempt to open one for writing is refused and counted.
  std::optional<RegRoot> read_only_root;
  [[nodiscard]] int refused_opens() const { return refused_opens_; }

  // ---- RegistryService
  Key CreateKey(RegRoot root, std::string_view path) override;
  Key OpenKey(RegRoot root, std::string_view path, Access access) override;
  std::optional<RegValue> QueryValue(Key key, std::string_view name) override;
  bool SetValue(Key key, std::string_view name, RegType type, const std::vector<std::uint8_t>& data) override;
  std::vector<std::string> ValueNames(Key key) override;
  std::size_t ValueCount(Key key) override { return ValueNames(key).size(); }
  bool DeleteValue(Key key, std::string_view name) override;
  bool DeleteKey(RegRoot root, std::string_view path) override;
  void CloseKey(Key key) override;

 private:
  struct Node {
    std::map<std::string, std::pair<std::string, RegValue>> values;  // lower name -> (name, value)
    std::map<std::string, std::unique_ptr<Node>> children;           // lower name -> key
  };
  [[nodiscard]] const Node* FindNode(RegRoot root, std::string_view path) const;
  Node* MakeNode(RegRoot root, std::string_view path);
  // Counts a write; false when the countdown says it fails.
  bool TryWrite();
  void WriteDone();

  std::map<RegRoot, std::unique_ptr<Node>> roots_;
  struct Handle {
    RegRoot root;
    std::string path;
  };
  std::map<Key, Handle> handles_;
  Key next_key_ = 1;
  int writes_ = 0;
  int queries_ = 0;
  int fail_from_ = 0;
  int fail_once_ = 0;
  int refused_opens_ = 0;
};

}  // namespace platform::fake
