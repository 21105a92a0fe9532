// In-memory files, message boxes and clock for host tests.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/clock_service.h"
#include "platform/dialog_service.h"
#include "platform/file_service.h"
#include "platform/text.h"
#include "platform/text_service.h"

namespace platform::fake {

// Paths are compared without regard to letter case, as Windows does. Safe
// to use from a worker thread while the test's thread waits; the hooks and
// faults are set before the work starts.
class FakeFiles : public FileService {
 public:
  void AddFolder(std::string_view path);
  void AddFile(std::string_view path, std::string content = "");
  // A copy of a file's content; nothing when there is no such file.
  [[nodiscard]] std::optional<std::string> Content(std::string_view path) const;
  // The paths of every file, as they were created, in name order.
  [[nodiscard]] std::vector<std::string> AllFiles() const;

  FileKind Kind(std::string_view path) override;
  std::vector<std::string> FilesOf(std::string_view folder) override;
  bool Delete(std::string_view path) override;
  bool Rename(std::string_view from, std::string_view to) override;
  // A reader sees the content as it was when opened. A writer's file
  // ("~ks<n>.tmp" beside the destination) exists, empty, until it is
  // committed or dropped; Commit puts the written bytes in place.
  std::unique_ptr<FileReader> OpenForReading(std::string_view path) override;
  std::unique_ptr<FileWriter> CreateBeside(std::string_view destination) override;

  // ---- Faults and hooks.
  // Every write that would reach past this many bytes of one written file
  // fails, and so does every later write to it (a full disk).
  std::optional<std::uint64_t> fail_write_at;
  // Reads of a file fail once this many bytes of it have been read.
  std::optional<std::uint64_t> fail_read_at;
  // Creating a written file fails.
  bool fail_create = false;
  // Called on the reading thread after each read with the bytes read so far.
  std::function<void(std::uint64_t)> after_read;
  // Called just before a commit renames the file into place (a test may
  // create the destination meanwhile).
  std::function<void(std::string_view destination)> before_commit;

 private:
  friend class FakeFileWriter;
  // What a writer's commit and drop do to the files.
  FileWriter::Committed Commit(const std::string& temporary, std::string_view destination,
                               std::string content);
  void Drop(const std::string& temporary);

  mutable std::mutex mutex_;
  std::set<std::string> folders_;                                     // lower-case paths
  std::map<std::string, std::pair<std::string, std::string>> files_;  // lower path -> (path, content)
  int next_temporary_ = 1;
};

class FakeDialogs : public DialogService {
 public:
  struct Box {
    std::string text;
    std::string title;
    std::uint32_t style;
  };
  int ShowMessageBox(WindowId owner, std::string_view text, std::string_view title,
                     std::uint32_t style) override;
  void Beep() override { ++beeps; }

  [[nodiscard]] const std::vector<Box>& boxes() const { return boxes_; }
  // Answers of the next message boxes; empty queue: OK.
  std::deque<int> answers;
  // Runs while a message box is up (the modal loop keeps timers running).
  std::function<void()> while_shown;
  int beeps = 0;

 private:
  std::vector<Box> boxes_;
};

class FakeClock : public ClockService {
 public:
  LocalTime Now() override { return now; }
  LocalTime now{2026, 12, 6, 9, 30, 0};
};

// The portable folding, which agrees with Windows on Latin, Greek and
// Cyrillic letters.
class FakeText : public TextService {
 public:
  std::string LowerCase(std::string_view text) override { return UnicodeLower(text); }
};

}  // namespace platform::fake
