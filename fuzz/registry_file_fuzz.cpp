// Fuzzes the check of registry files before import: no input may crash it,
// read out of bounds or take long, and the two forms of a file agree: an
// ASCII file in the ANSI form gets the same verdict in the Unicode form.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "config/registry_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const auto verdict = config::RegistryFileRefusal(file);

  constexpr std::string_view kAnsiHeader = "REGEDIT4";
  if (file.substr(0, kAnsiHeader.size()) != kAnsiHeader || size > config::kMaxRegistryFileBytes / 4) return 0;
  std::string unicode = "\xFF\xFE";
  for (const char c :
       std::string("Windows Registry Editor Version 5.00") + std::string(file.substr(kAnsiHeader.size()))) {
    if (static_cast<unsigned char>(c) > 0x7F) return 0;
    unicode += c;
    unicode += '\0';
  }
  if (config::RegistryFileRefusal(unicode) != verdict) std::abort();
  return 0;
}
