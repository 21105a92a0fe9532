// In-memory files, message boxes and clock for host tests.
#pragma once

#include <deque>
#include <functional>
#include <map>
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

// Paths are compared without regard to letter case, as Windows does.
class FakeFiles : public FileService {
 public:
  void AddFolder(std::string_view path);
  void AddFile(std::string_view path, std::string content = "");
  [[nodiscard]] const std::string* Content(std::string_view path) const;

  FileKind Kind(std::string_view path) override;
  std::vector<std::string> FilesOf(std::string_view folder) override;
  bool Delete(std::string_view path) override;
  bool Rename(std::string_view from, std::string_view to) override;
  std::optional<std::string> ReadWhole(std::string_view path, std::size_t max_bytes) override;
  bool WriteWhole(std::string_view path, std::string_view content) override;
  std::string TemporaryFolder() override { return temporary_folder; }

  std::string temporary_folder = "C:\\Users\\User\\AppData\\Local\\Temp\\";

 private:
  std::set<std::string> folders_;                                     // lower-case paths
  std::map<std::string, std::pair<std::string, std::string>> files_;  // lower path -> (path, content)
};

class FakeDialogs : public DialogService {
 public:
  struct Box {
    std::string text;
    std::string title;
    std::uint32_t style;
    WindowId owner = kNoWindow;
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
  // English names, as on an English Windows.
  std::string MonthName(int month) override;
  LocalTime now{2026, 12, 6, 9, 30, 0};
};

// The portable folding, which agrees with Windows on Latin, Greek and
// Cyrillic letters.
class FakeText : public TextService {
 public:
  std::string LowerCase(std::string_view text) override { return UnicodeLower(text); }
};

}  // namespace platform::fake
