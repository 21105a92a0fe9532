// What the updater KsUpdate.exe decides: the folder it looks in and the
// installer there, if any, that it runs. Pure logic over names and version
// numbers; the updater's main (win32/) reads the registry, the folder and the
// files' version resources. No Windows headers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace updater {

// A version as a version resource holds it: major, minor, build, revision;
// ordered part by part.
struct Version {
  std::array<std::uint16_t, 4> parts{};
  friend bool operator==(const Version& a, const Version& b) { return a.parts == b.parts; }
  friend bool operator<(const Version& a, const Version& b) { return a.parts < b.parts; }
};

// "7.6.0.3".
std::string VersionText(const Version& version);

// The folder an administrator named (blanks and quotes around it dropped),
// when it is a full path ("D:\..." or "\\server\..."); else the "update"
// folder beside the program. With a trailing "\".
std::string UpdateFolder(std::string_view program_folder, std::string_view named_folder);

// The installers the updater considers: kestrove-setup*.exe, letter case
// ignored.
inline constexpr std::string_view kInstallerPattern = "kestrove-setup*.exe";
bool IsInstallerName(std::string_view file_name);

// A file of the update folder and its version; none when the file has no
// version resource.
struct Candidate {
  std::string file_name;
  std::optional<Version> version;
};

// The installer to run: of the installers newer than the installed program,
// the newest, the first by name among equals; nullopt when there is none.
std::optional<Candidate> ChooseInstaller(const Version& installed, const std::vector<Candidate>& files);

}  // namespace updater
