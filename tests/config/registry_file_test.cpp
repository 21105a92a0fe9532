// What a registry file must be to be imported: one table of files and the
// verdict on each.
#include "config/registry_file.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace {

enum class Form { kUnicode, kAnsi, kRaw };

// The file as the registry tool writes it: UTF-16LE with its byte-order mark
// and the version line, or the ANSI form with "REGEDIT4"; kRaw as given.
std::string File(Form form, std::string_view body) {
  if (form == Form::kRaw) return std::string(body);
  if (form == Form::kAnsi) return "REGEDIT4\r\n" + std::string(body);
  const std::u16string text = u"Windows Registry Editor Version 5.00\r\n" + platform::Utf8ToUtf16(body);
  std::string bytes = "\xFF\xFE";
  for (const char16_t c : text) {
    bytes += static_cast<char>(c & 0xFFU);
    bytes += static_cast<char>(c >> 8U);
  }
  return bytes;
}

struct Case {
  const char* what;
  Form form;
  std::string body;
  const char* refusal;  // a part of the reason; nullptr when imported
};

const Case kCases[] = {
    {"an export as the registry tool writes it", Form::kUnicode,
     "\r\n[HKEY_LOCAL_MACHINE\\software\\ksv]\r\n\r\n[HKEY_LOCAL_MACHINE\\software\\ksv\\Settings]\r\n"
     "\"Tray\"=\"0\"\r\n\"DisableRegistryTools\"=dword:00000001\r\n\"pwd\"=\"a \\\"quoted\\\" \\\\ "
     "path\\r\\n\"\r\n"
     "\r\n[HKEY_LOCAL_MACHINE\\software\\ksv\\Tasks]\r\n\"Task0\"=\"Блокнот — Notepad,1\"\r\n\r\n",
     nullptr},
    {"deletions inside the key, blanks and comments", Form::kUnicode,
     "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\KSV\\IgnoreList]\r\n  ; a "
     "comment\r\n[hkey_local_machine\\Software\\KSV]\r\n"
     "\t\"Task5\" = -  \r\n@=\"default\"\r\n[-HKEY_LOCAL_MACHINE\\Software\\KSV]\r\n",
     nullptr},
    {"the ANSI form with bare line feeds", Form::kAnsi,
     "[HKEY_LOCAL_MACHINE\\Software\\KSV\\Tasks]\n\"Task0\"=\"Caf\xE9,1\"\n", nullptr},

    {"the Run entry", Form::kUnicode,
     "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n\"x\"=\"evil.exe\"\r\n",
     "line 2 writes to HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run, which is "
     "outside "
     "HKEY_LOCAL_MACHINE\\Software\\KSV"},
    {"a key whose name begins with the program's", Form::kUnicode, "[HKEY_LOCAL_MACHINE\\Software\\KSVX]\r\n",
     "writes to HKEY_LOCAL_MACHINE\\Software\\KSVX,"},
    {"the same path in another hive", Form::kUnicode, "[HKEY_CURRENT_USER\\Software\\KSV]\r\n", "outside"},
    {"the short name of the hive", Form::kAnsi, "[HKLM\\Software\\KSV]\r\n", "outside"},
    {"a name ending in a blank", Form::kUnicode, "[HKEY_LOCAL_MACHINE\\Software\\KSV ]\r\n", "outside"},
    {"a way up out of the key", Form::kUnicode, "[HKEY_LOCAL_MACHINE\\Software\\KSV\\..\\Microsoft]\r\n",
     "outside"},
    {"a key deletion above the program's key", Form::kUnicode, "[-HKEY_LOCAL_MACHINE\\Software]\r\n",
     "line 2 deletes HKEY_LOCAL_MACHINE\\Software, which is outside"},
    {"a lone carriage return ends a line", Form::kUnicode,
     "[HKEY_LOCAL_MACHINE\\Software\\KSV]\r\n\"a\"=\"b\"\r[HKEY_CURRENT_USER\\Software\\X]\r\n",
     "line 4 writes to"},
    {"a bracket inside a key name", Form::kUnicode, "[HKEY_LOCAL_MACHINE\\Software\\KSV\\a]b]\r\n",
     "line 2 is not a key, a value or a comment"},
    {"a code-page byte in an ANSI key name", Form::kAnsi, "[HKEY_LOCAL_MACHINE\\Software\\KSV\\\x81]\r\n",
     "is not a key"},
    {"binary data", Form::kUnicode, "[HKEY_LOCAL_MACHINE\\Software\\KSV]\r\n\"Tray\"=hex:01,02\r\n",
     "line 3 sets Tray to binary data; only strings and numbers are imported"},
    {"an expandable string", Form::kUnicode, "[HKEY_LOCAL_MACHINE\\Software\\KSV]\r\n@=hex(2):25,00\r\n",
     "sets the default value to binary data"},
    {"a value before any key", Form::kUnicode, "\"Tray\"=\"1\"\r\n",
     "line 2 sets a value that belongs to no key"},
    {"a value under a deleted key", Form::kUnicode,
     "[-HKEY_LOCAL_MACHINE\\Software\\KSV\\Tasks]\r\n\"a\"=\"b\"\r\n", "belongs to no key"},
    {"an unterminated string", Form::kUnicode, "[HKEY_LOCAL_MACHINE\\Software\\KSV]\r\n\"a\"=\"b\r\n",
     "line 3 is not"},
    {"text after a string", Form::kUnicode, "[HKEY_LOCAL_MACHINE\\Software\\KSV]\r\n\"a\"=\"b\" c\r\n",
     "is not"},
    {"an unknown escape", Form::kUnicode, "[HKEY_LOCAL_MACHINE\\Software\\KSV]\r\n\"a\"=\"\\0\"\r\n",
     "is not"},
    {"a number of nine digits", Form::kUnicode,
     "[HKEY_LOCAL_MACHINE\\Software\\KSV]\r\n\"a\"=dword:123456789\r\n", "is not"},
    {"a line of no kind", Form::kUnicode, "[HKEY_LOCAL_MACHINE\\Software\\KSV]\r\nTray=1\r\n",
     "line 3 is not"},
    {"the old REGEDIT form", Form::kRaw, "REGEDIT\r\nHKEY_CLASSES_ROOT\\x = y\r\n", "not a registry file"},
    {"UTF-8 with its mark", Form::kRaw, "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n",
     "not a registry file"},
    {"an empty file", Form::kRaw, "", "ends in the middle of a line"},
    {"a NUL character", Form::kAnsi, std::string("[HKEY_LOCAL_MACHINE\\Software\\KSV]\r\n") + '\0' + "\r\n",
     "NUL"},
    {"a last line cut short", Form::kUnicode, "[HKEY_LOCAL_MACHINE\\Software\\KSV]\r\n\"a\"=\"b\"",
     "ends in the middle of a line"},
    {"an odd number of bytes", Form::kRaw, "\xFF\xFEW", "ends in the middle of a character"},
};

TEST(RegistryFileTest, OnlyStringsNumbersAndDeletionsInsideTheProgramsKeyAreImported) {
  for (const Case& c : kCases) {
    const std::optional<std::string> refusal = config::RegistryFileRefusal(File(c.form, c.body));
    if (c.refusal == nullptr) {
      EXPECT_FALSE(refusal) << c.what << ": " << *refusal;
    } else {
      ASSERT_TRUE(refusal) << c.what;
      EXPECT_NE(refusal->find(c.refusal), std::string::npos) << c.what << ": " << *refusal;
    }
  }
}

TEST(RegistryFileTest, SizeLimit) {
  const std::string start = File(Form::kAnsi, "[HKEY_LOCAL_MACHINE\\Software\\KSV]\r\n;");
  std::string file = start + std::string(config::kMaxRegistryFileBytes - start.size() - 2, 'x') + "\r\n";
  EXPECT_FALSE(config::RegistryFileRefusal(file));
  file += "\n";
  EXPECT_EQ(config::RegistryFileRefusal(file), "the file is larger than 4 MB");
}

}  // namespace
