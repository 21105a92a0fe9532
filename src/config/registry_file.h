// Checks a registry file before the registry tool imports it. The tool writes
// wherever a file tells it to (the Run entry, other programs' keys), and a
// file may come from a folder anybody can copy into, so the program reads
// the file itself first and lets through only what writes inside its own key.
// Pure logic over the file's bytes: no files, no registry.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace config {

// The largest file taken: a full configuration (1000 tasks and 1000 ignore
// entries of the longest titles) is about a megabyte.
inline constexpr std::size_t kMaxRegistryFileBytes = std::size_t{4} * 1024 * 1024;

// The one key an imported file may write to, with everything under it.
inline constexpr std::string_view kImportKey = "HKEY_LOCAL_MACHINE\\Software\\KSV";

// Why the file may not be imported, as a clause for the user ("line 5 writes
// to ..., which is outside ..."); nullopt when it may. A file may be imported
// when it is
//  - the Unicode form (UTF-16LE with its byte-order mark, first line
//    "Windows Registry Editor Version 5.00") or the older ANSI form (first
//    line "REGEDIT4"), at most kMaxRegistryFileBytes, ending with a line
//    break, without NUL characters;
//  - and every other line is blank, a ";" comment, a key at or under
//    kImportKey (names compared without regard to case; the deletion of such
//    a key included), or a value of such a key that is a string, a number
//    (dword) or a deletion.
// Anything else is refused, also what the registry tool would skip, since
// tools differ in what they skip.
std::optional<std::string> RegistryFileRefusal(std::string_view file);

}  // namespace config
