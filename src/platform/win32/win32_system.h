// Files, message boxes, the clock and letter case over kernel32 and user32.
#pragma once

#include "platform/clock_service.h"
#include "platform/dialog_service.h"
#include "platform/file_service.h"
#include "platform/text_service.h"

namespace platform::win32 {

class Win32Files : public FileService {
 public:
  FileKind Kind(std::string_view path) override;
  std::vector<std::string> FilesOf(std::string_view folder) override;
  bool Delete(std::string_view path) override;
  bool Rename(std::string_view from, std::string_view to) override;
  // win32_file_streams.cpp
  std::unique_ptr<FileReader> OpenForReading(std::string_view path) override;
  std::unique_ptr<FileWriter> CreateBeside(std::string_view destination) override;
};

class Win32Dialogs : public DialogService {
 public:
  int ShowMessageBox(WindowId owner, std::string_view text, std::string_view title,
                     std::uint32_t style) override;
  void Beep() override;
};

class Win32Clock : public ClockService {
 public:
  LocalTime Now() override;
};

// The system's own lower-casing, in the invariant locale.
class Win32Text : public TextService {
 public:
  std::string LowerCase(std::string_view text) override;
};

}  // namespace platform::win32
