// What the updater decides.
#include "updater/update_choice.h"

#include "platform/text.h"

namespace updater {

std::string VersionText(const Version& version) {
  std::string text;
  // Appended piece by piece: GCC 12 at -O3 takes `"." + std::to_string(...)`
  // for an overlapping copy inside the standard library (-Wrestrict, a false
  // positive) and stops the Release build.
  for (const std::uint16_t part : version.parts) {
    if (!text.empty()) text += '.';
    text += std::to_string(part);
  }
  return text;
}

namespace {

// "D:\..." or "\\server\...": not resolved against the current folder or drive.
bool IsAbsolute(std::string_view folder) {
  if (folder.starts_with("\\\\") || folder.starts_with("//")) return true;
  if (folder.size() < 3 || folder[1] != ':' || (folder[2] != '\\' && folder[2] != '/')) return false;
  return (folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z');
}

}  // namespace

std::string UpdateFolder(std::string_view program_folder, std::string_view named_folder) {
  std::string beside_program = std::string(program_folder) + "update\\";
  const std::size_t first = named_folder.find_first_not_of(" \t\"");
  if (first == std::string_view::npos) return beside_program;
  named_folder = named_folder.substr(first, named_folder.find_last_not_of(" \t\"") - first + 1);
  if (!IsAbsolute(named_folder)) return beside_program;
  std::string folder(named_folder);
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

bool IsInstallerName(std::string_view file_name) {
  const std::string name = platform::AsciiLower(file_name);
  constexpr std::string_view kStart = kInstallerPattern.substr(0, kInstallerPattern.find('*'));
  constexpr std::string_view kEnd = kInstallerPattern.substr(kInstallerPattern.find('*') + 1);
  return name.size() >= kStart.size() + kEnd.size() && name.starts_with(kStart) && name.ends_with(kEnd);
}

std::optional<Candidate> ChooseInstaller(const Version& installed, const std::vector<Candidate>& files) {
  std::optional<Candidate> chosen;
  for (const Candidate& file : files) {
    if (!IsInstallerName(file.file_name) || !file.version || !(installed < *file.version)) continue;
    if (!chosen || *chosen->version < *file.version ||
        (*file.version == *chosen->version && file.file_name < chosen->file_name)) {
      chosen = file;
    }
  }
  return chosen;
}

}  // namespace updater
