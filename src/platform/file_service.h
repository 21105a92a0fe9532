// Files and folders by path (UTF-8 paths; "\" separators).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class FileKind {
  kMissing,  // no such path, an invalid name, no access, or an empty path
  kFolder,
  kFile,
};

class FileService {
 public:
  virtual ~FileService() = default;

  virtual FileKind Kind(std::string_view path) = 0;
  // The names of the ordinary files of a folder (no folders, no hidden or
  // system files), sorted by name; empty when the folder is missing.
  virtual std::vector<std::string> FilesOf(std::string_view folder) = 0;
  // Deletes a file; false when it failed.
  virtual bool Delete(std::string_view path) = 0;
  // Renames or moves a file, replacing an existing target; false when it failed.
  virtual bool Rename(std::string_view from, std::string_view to) = 0;
  // The first max_bytes bytes of a file (all of it when it is shorter);
  // nullopt when it cannot be read (missing, a folder, no access, in use).
  virtual std::optional<std::string> ReadWhole(std::string_view path, std::size_t max_bytes) = 0;
  // Creates or replaces a file with the content; false when it failed.
  virtual bool WriteWhole(std::string_view path, std::string_view content) = 0;
  // This user's own folder for temporary files, with a trailing "\".
  virtual std::string TemporaryFolder() = 0;
};

}  // namespace platform
