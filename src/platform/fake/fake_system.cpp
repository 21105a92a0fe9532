// In-memory files, message boxes and clock for host tests.
#include "platform/fake/fake_system.h"

#include <algorithm>

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

void FakeFiles::AddFolder(std::string_view path) {
  folders_.insert(Lower(path));
}

void FakeFiles::AddFile(std::string_view path, std::string content) {
  files_[Lower(path)] = {std::string(path), std::move(content)};
}

const std::string* FakeFiles::Content(std::string_view path) const {
  const auto it = files_.find(Lower(path));
  return it == files_.end() ? nullptr : &it->second.second;
}

FileKind FakeFiles::Kind(std::string_view path) {
  if (path.empty()) return FileKind::kMissing;
  const std::string key = Lower(path);
  if (folders_.count(key) > 0) return FileKind::kFolder;
  return files_.count(key) > 0 ? FileKind::kFile : FileKind::kMissing;
}

std::vector<std::string> FakeFiles::FilesOf(std::string_view folder) {
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
  return files_.erase(Lower(path)) > 0;
}

bool FakeFiles::Rename(std::string_view from, std::string_view to) {
  const auto it = files_.find(Lower(from));
  if (it == files_.end()) return false;
  std::string content = std::move(it->second.second);
  files_.erase(it);
  files_[Lower(to)] = {std::string(to), std::move(content)};
  return true;
}

std::optional<std::string> FakeFiles::ReadWhole(std::string_view path, std::size_t max_bytes) {
  const std::string* content = Content(path);
  if (content == nullptr) return std::nullopt;
  return content->substr(0, max_bytes);
}

bool FakeFiles::WriteWhole(std::string_view path, std::string_view content) {
  if (Kind(path) == FileKind::kFolder) return false;
  AddFile(path, std::string(content));
  return true;
}

std::string FakeClock::MonthName(int month) {
  static constexpr const char* kNames[] = {"January",   "February", "March",    "April",
                                           "May",       "June",     "July",     "August",
                                           "September", "October",  "November", "December"};
  return (month >= 1 && month <= 12) ? kNames[month - 1] : "";
}

int FakeDialogs::ShowMessageBox(WindowId owner, std::string_view text, std::string_view title,
                                std::uint32_t style) {
  boxes_.push_back(Box{std::string(text), std::string(title), style, owner});
  if (while_shown) while_shown();
  if (answers.empty()) return box::kAnswerOk;
  const int answer = answers.front();
  answers.pop_front();
  return answer;
}

}  // namespace platform::fake
