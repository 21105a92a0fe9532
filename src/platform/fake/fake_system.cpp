// In-memory files, message boxes and clock for host tests.
#include "platform/fake/fake_system.h"

#include <algorithm>
#include <memory>
#include <mutex>

#include "platform/text.h"

namespace platform::fake {
namespace {

// Windows compares paths without regard to letter case; a trailing "\"
// names the same folder.
std::string Lower(std::string_view text) {
  std::string out = AsciiLower(text);
  while (out.size() > 1 && out.back() == '\\') out.pop_back();
  return out;
}

std::string Parent(const std::string& lower_path) {
  const std::size_t cut = lower_path.rfind('\\');
  return cut == std::string::npos ? std::string() : lower_path.substr(0, cut);
}

}  // namespace

// ---- Streams ---------------------------------------------------------------

class FakeFileReader : public FileReader {
 public:
  FakeFileReader(FakeFiles& files, std::string content) : files_(files), content_(std::move(content)) {}
  [[nodiscard]] std::uint64_t Size() const override { return content_.size(); }
  std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) override {
    if (files_.fail_read_at.has_value() && position_ >= *files_.fail_read_at) return std::nullopt;
    const std::size_t count = std::min(buffer.size(), content_.size() - position_);
    std::copy_n(content_.data() + position_, count, buffer.data());
    position_ += count;
    if (files_.after_read) files_.after_read(position_);
    return count;
  }

 private:
  FakeFiles& files_;
  std::string content_;
  std::size_t position_ = 0;
};

class FakeFileWriter : public FileWriter {
 public:
  FakeFileWriter(FakeFiles& files, std::string temporary, std::string destination)
      : files_(files), temporary_(std::move(temporary)), destination_(std::move(destination)) {}
  ~FakeFileWriter() override {
    if (!committed_) files_.Drop(temporary_);
  }
  FakeFileWriter(const FakeFileWriter&) = delete;
  FakeFileWriter& operator=(const FakeFileWriter&) = delete;
  FakeFileWriter(FakeFileWriter&&) = delete;
  FakeFileWriter& operator=(FakeFileWriter&&) = delete;

  bool Write(std::span<const std::uint8_t> bytes) override {
    if (failed_ ||
        (files_.fail_write_at.has_value() && content_.size() + bytes.size() > *files_.fail_write_at)) {
      failed_ = true;
      return false;
    }
    content_.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return true;
  }

  Committed Commit() override {
    if (failed_) return Committed::kFailed;
    const Committed result = files_.Commit(temporary_, destination_, std::move(content_));
    committed_ = result == Committed::kDone;
    return result;
  }

 private:
  FakeFiles& files_;
  std::string temporary_;
  std::string destination_;
  std::string content_;
  bool failed_ = false;
  bool committed_ = false;
};

// ---- FakeFiles -------------------------------------------------------------

void FakeFiles::AddFolder(std::string_view path) {
  const std::lock_guard lock(mutex_);
  folders_.insert(Lower(path));
}

void FakeFiles::AddFile(std::string_view path, std::string content) {
  const std::lock_guard lock(mutex_);
  files_[Lower(path)] = {std::string(path), std::move(content)};
}

std::optional<std::string> FakeFiles::Content(std::string_view path) const {
  const std::lock_guard lock(mutex_);
  const auto it = files_.find(Lower(path));
  if (it == files_.end()) return std::nullopt;
  return it->second.second;
}

std::vector<std::string> FakeFiles::AllFiles() const {
  const std::lock_guard lock(mutex_);
  std::vector<std::string> paths;
  for (const auto& [lower, entry] : files_) paths.push_back(entry.first);
  return paths;
}

FileKind FakeFiles::Kind(std::string_view path) {
  if (path.empty()) return FileKind::kMissing;
  const std::lock_guard lock(mutex_);
  const std::string key = Lower(path);
  if (folders_.count(key) > 0) return FileKind::kFolder;
  return files_.count(key) > 0 ? FileKind::kFile : FileKind::kMissing;
}

std::vector<std::string> FakeFiles::FilesOf(std::string_view folder) {
  const std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  const std::string key = Lower(folder);
  for (const auto& [lower, entry] : files_) {
    if (Parent(lower) == key) names.push_back(entry.first.substr(entry.first.rfind('\\') + 1));
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return Lower(a) < Lower(b); });
  return names;
}

bool FakeFiles::Delete(std::string_view path) {
  const std::lock_guard lock(mutex_);
  return files_.erase(Lower(path)) > 0;
}

bool FakeFiles::Rename(std::string_view from, std::string_view to) {
  const std::lock_guard lock(mutex_);
  const auto it = files_.find(Lower(from));
  if (it == files_.end()) return false;
  std::string content = std::move(it->second.second);
  files_.erase(it);
  files_[Lower(to)] = {std::string(to), std::move(content)};
  return true;
}

std::unique_ptr<FileReader> FakeFiles::OpenForReading(std::string_view path) {
  std::optional<std::string> content = Content(path);
  if (!content.has_value()) return nullptr;
  return std::make_unique<FakeFileReader>(*this, std::move(*content));
}

std::unique_ptr<FileWriter> FakeFiles::CreateBeside(std::string_view destination) {
  const std::lock_guard lock(mutex_);
  const std::string key = Lower(destination);
  const std::size_t cut = destination.rfind('\\');
  // The destination's folder must exist (a bare name is in the current one).
  if (fail_create || destination.empty() ||
      (cut != std::string_view::npos && folders_.count(Parent(key)) == 0)) {
    return nullptr;
  }
  const std::string folder = cut == std::string_view::npos ? "" : std::string(destination.substr(0, cut + 1));
  const std::string temporary = folder + "~ks" + std::to_string(next_temporary_++) + ".tmp";
  files_[Lower(temporary)] = {temporary, ""};
  return std::make_unique<FakeFileWriter>(*this, temporary, std::string(destination));
}

FileWriter::Committed FakeFiles::Commit(const std::string& temporary, std::string_view destination,
                                        std::string content) {
  if (before_commit) before_commit(destination);
  const std::lock_guard lock(mutex_);
  const std::string key = Lower(destination);
  if (files_.count(key) > 0 || folders_.count(key) > 0) return FileWriter::Committed::kDestinationExists;
  files_.erase(Lower(temporary));
  files_[key] = {std::string(destination), std::move(content)};
  return FileWriter::Committed::kDone;
}

void FakeFiles::Drop(const std::string& temporary) {
  const std::lock_guard lock(mutex_);
  files_.erase(Lower(temporary));
}

int FakeDialogs::ShowMessageBox(WindowId /*owner*/, std::string_view text, std::string_view title,
                                std::uint32_t style) {
  boxes_.push_back(Box{std::string(text), std::string(title), style});
  if (while_shown) while_shown();
  if (answers.empty()) return box::kAnswerOk;
  const int answer = answers.front();
  answers.pop_front();
  return answer;
}

}  // namespace platform::fake
