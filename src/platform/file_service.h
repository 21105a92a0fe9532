// Files and folders by path (UTF-8 paths; "\" separators), and files read
// and written as streams.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class FileKind {
  kMissing,  // no such path, an invalid name, no access, or an empty path
  kFolder,
  kFile,
};

// A file open for reading from its start, shared with other readers and
// writers. Used by one thread at a time.
class FileReader {
 public:
  virtual ~FileReader() = default;
  // The size when the file was opened, in bytes.
  [[nodiscard]] virtual std::uint64_t Size() const = 0;
  // Reads up to buffer.size() bytes: the number read, 0 at the end of the
  // file, nothing when reading failed.
  virtual std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) = 0;
};

// A new file written beside the file it will become, and put in that file's
// place only when it is complete. Until Commit succeeds it is marked to be
// deleted when closed, so a crash or a kill leaves nothing behind; where the
// system cannot mark it, it is deleted when the writer goes. Used by one
// thread at a time.
class FileWriter {
 public:
  enum class Committed {
    kDone,
    kDestinationExists,  // something took the destination's name meanwhile; nothing was replaced
    kFailed,
  };

  // Without a successful Commit, the file is removed.
  virtual ~FileWriter() = default;
  // Appends bytes; false when the write failed (a full disk), after which
  // the file is only good for removal.
  virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
  // Flushes the file to the disk, keeps it, and renames it to the
  // destination without replacing anything there.
  virtual Committed Commit() = 0;
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

  // Opens a file for reading; nullptr when it cannot be opened (missing, a
  // folder, no access).
  virtual std::unique_ptr<FileReader> OpenForReading(std::string_view path) = 0;
  // Creates a new, empty file in the destination's folder (the same volume,
  // so the final rename is atomic) that becomes the destination on Commit;
  // nullptr when it cannot be created.
  virtual std::unique_ptr<FileWriter> CreateBeside(std::string_view destination) = 0;
};

}  // namespace platform
