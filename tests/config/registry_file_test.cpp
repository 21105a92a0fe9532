// What a registry file must be to be imported: one table of files and verdicts.
#include "config/registry_file.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace {

enum class Form { kUnicode, kAnsi, kRaw };

// The file as the registry tool writes it: UTF-16LE with its byte-order mark
// and version line, or the ANSI form with "REGEDIT4"; kRaw as given.
std::string File(Form form, std::string_view body) {
  if (form == Form::kRaw) return std::string(body);
  if (form == Form::kAnsi) return "REGEDIT4\r\n" + std::string(body);
  std::string bytes = "\xFF\xFE";
  for (const char16_t c : u"Windows Registry Editor Version 5.00\r\n" + platform::Utf8ToUtf16(body)) {
    bytes += static_cast<char>(c & 0xFFU);
    bytes += static_cast<char>(c >> 8U);
  }
  return bytes;
}

const std::string kKsv = "[HKEY_LOCAL_MACHINE\\Software\\KSV]\r\n";
const struct {
  Form form;
  std::string body;
  const char* refusal;  // a part of the reason; nullptr: imported
} kCases[] = {
    // As the registry tool exports: the key in the letter case typed, escapes, a number, any text.
    {Form::kUnicode,
     "\r\n[HKEY_LOCAL_MACHINE\\software\\ksv\\Settings]\r\n\"DisableRegistryTools\"=dword:00000001\r\n"
     "\"pwd\"=\"a \\\"b\\\" \\\\ c\\r\\n\"\r\n\"Task0\"=\"Блокнот — Notepad,1\"\r\n\r\n",
     nullptr},
    {Form::kUnicode,
     "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\KSV\\IgnoreList]\r\n ; note\r\n" + kKsv +
         "\t\"Task5\" = -  \r\n@=\"x\"\r\n",
     nullptr},
    {Form::kAnsi, "[HKEY_LOCAL_MACHINE\\Software\\KSV\\Tasks]\n\"Task0\"=\"Caf\xE9,1\"\n", nullptr},

    {Form::kUnicode,
     "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n\"x\"=\"y\"\r\n",
     "line 2 writes to HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run, which is "
     "outside "
     "HKEY_LOCAL_MACHINE\\Software\\KSV"},
    {Form::kUnicode, "[-HKEY_LOCAL_MACHINE\\Software]\r\n",
     "line 2 deletes HKEY_LOCAL_MACHINE\\Software, which is"},
    // Keys that only start with the program's key.
    {Form::kUnicode, "[HKEY_LOCAL_MACHINE\\Software\\KSVX]\r\n", "outside"},
    {Form::kAnsi, "[HKEY_LOCAL_MACHINE\\Software\\KSV2\\Tasks]\r\n", "outside"},
    {Form::kAnsi, "[-HKEY_LOCAL_MACHINE\\Software\\KSV22\\Tasks]\r\n", "outside"},
    {Form::kUnicode, "[HKEY_CURRENT_USER\\Software\\KSV]\r\n", "outside"},
    {Form::kAnsi, "[HKLM\\Software\\KSV]\r\n", "outside"},
    {Form::kUnicode, "[HKEY_LOCAL_MACHINE\\Software\\KSV ]\r\n", "outside"},
    {Form::kUnicode, "[HKEY_LOCAL_MACHINE\\Software\\KSV\\..\\Microsoft]\r\n", "outside"},
    {Form::kUnicode, kKsv + "\"a\"=\"b\"\r[HKEY_CURRENT_USER\\X]\r\n",
     "line 4 writes to"},  // a lone CR ends a line
    {Form::kUnicode, "[HKEY_LOCAL_MACHINE\\Software\\KSV\\a]b]\r\n",
     "line 2 is not a key, a value or a comment"},
    {Form::kAnsi, "[HKEY_LOCAL_MACHINE\\Software\\KSV\\\x81]\r\n", "is not a key"},  // a code-page lead byte
    {Form::kUnicode, kKsv + "\"Tray\"=hex:01\r\n",
     "line 3 sets Tray to binary data; only strings and numbers"},
    {Form::kUnicode, kKsv + "@=hex(2):25,00\r\n", "sets the default value to binary data"},
    {Form::kUnicode, "\"Tray\"=\"1\"\r\n", "line 2 sets a value that belongs to no key"},
    {Form::kUnicode, "[-HKEY_LOCAL_MACHINE\\Software\\KSV\\Tasks]\r\n\"a\"=\"b\"\r\n", "belongs to no key"},
    {Form::kUnicode, kKsv + "\"a\"=\"b\r\n", "line 3 is not"},
    {Form::kUnicode, kKsv + "\"a\"=\"b\" c\r\n", "is not"},
    {Form::kUnicode, kKsv + "\"a\"=\"\\0\"\r\n", "is not"},
    {Form::kUnicode, kKsv + "\"a\"=dword:123456789\r\n", "is not"},
    {Form::kUnicode, kKsv + "Tray=1\r\n", "is not"},
    {Form::kRaw, "REGEDIT\r\nHKEY_CLASSES_ROOT\\x = y\r\n", "not a registry file"},
    {Form::kRaw, "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n", "not a registry file"},
    {Form::kAnsi, kKsv + '\0' + "\r\n", "NUL"},
    {Form::kUnicode, kKsv + "\"a\"=\"b\"", "ends in the middle of a line"},  // cut short
    {Form::kRaw, "", "ends in the middle of a line"},
    {Form::kRaw, "\xFF\xFEW", "ends in the middle of a character"},
};

TEST(RegistryFileTest, OnlyStringsNumbersAndDeletionsInsideTheProgramsKeyAreImported) {
  for (const auto& c : kCases) {
    const std::optional<std::string> refusal = config::RegistryFileRefusal(File(c.form, c.body));
    if (c.refusal == nullptr) {
      EXPECT_FALSE(refusal) << c.body << ": " << *refusal;
    } else {
      EXPECT_NE(refusal.value_or("").find(c.refusal), std::string::npos)
          << c.body << ": " << refusal.value_or("");
    }
  }
  const std::string start = File(Form::kAnsi, kKsv + ";");
  std::string largest = start + std::string(config::kMaxRegistryFileBytes - start.size() - 2, 'x') + "\r\n";
  EXPECT_FALSE(config::RegistryFileRefusal(largest));
  EXPECT_EQ(config::RegistryFileRefusal(largest + "\n"), "the file is larger than 4 MB");
}

}  // namespace
