// Checks a registry file before the registry tool imports it.
#include "config/registry_file.h"

#include <cstdint>

#include "platform/text.h"

namespace config {
namespace {

constexpr std::u16string_view kUnicodeHeader = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kAnsiHeader = u"REGEDIT4";
// Key and value names are quoted in messages up to this many characters.
constexpr std::size_t kShownNameLength = 80;

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

bool IsHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

char16_t AsciiUpper(char16_t c) {
  return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

std::u16string_view Trimmed(std::u16string_view line) {
  while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
  while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
  return line;
}

// A key or value name as the user reads it, cut when long.
std::string Shown(std::u16string_view name) {
  if (name.size() > kShownNameLength) return platform::Utf16ToUtf8(name.substr(0, kShownNameLength)) + "...";
  return platform::Utf16ToUtf8(name);
}

// Whether a key name lies at or under kImportKey. Only the letters A to Z are
// compared without regard to case: a name that other foldings would also
// match is refused, never let through. Empty, "." and ".." parts are refused
// so that no tool can read the path another way.
bool UnderImportKey(std::u16string_view name) {
  const std::u16string import_key = platform::Utf8ToUtf16(kImportKey);
  if (name.size() < import_key.size()) return false;
  for (std::size_t i = 0; i < import_key.size(); ++i) {
    if (AsciiUpper(name[i]) != AsciiUpper(import_key[i])) return false;
  }
  std::u16string_view rest = name.substr(import_key.size());
  if (rest.empty()) return true;
  if (rest.front() != u'\\') return false;
  rest.remove_prefix(1);
  for (;;) {
    const std::size_t cut = rest.find(u'\\');
    const std::u16string_view part = rest.substr(0, cut);
    if (part.empty() || part == u"." || part == u"..") return false;
    if (cut == std::u16string_view::npos) return true;
    rest.remove_prefix(cut + 1);
  }
}

class Checker {
 public:
  explicit Checker(bool ansi) : ansi_(ansi) {}

  // Checks one line after the header; nullopt when it may be imported.
  std::optional<std::string> Line(std::u16string_view raw, int number) {
    number_ = number;
    const std::u16string_view line = Trimmed(raw);
    if (line.empty() || line.front() == u';') return std::nullopt;
    if (line.front() == u'[') return Key(line);
    if (line.front() == u'"' || line.front() == u'@') return Value(line);
    return Malformed();
  }

 private:
  std::string At() const { return "line " + std::to_string(number_); }
  std::optional<std::string> Malformed() const { return At() + " is not a key, a value or a comment"; }

  std::optional<std::string> Key(std::u16string_view line) {
    if (line.size() < 2 || line.back() != u']') return Malformed();
    std::u16string_view name = line.substr(1, line.size() - 2);
    const bool deletion = !name.empty() && name.front() == u'-';
    if (deletion) name.remove_prefix(1);
    for (const char16_t c : name) {
      // A bracket inside the name leaves it to each tool where the name ends;
      // in the ANSI form a byte above 127 may join the next one into a
      // character of the code page.
      if (c == u'[' || c == u']' || (ansi_ && c > 0x7F)) return Malformed();
    }
    if (!UnderImportKey(name)) {
      return At() + (deletion ? " deletes " : " writes to ") + Shown(name) + ", which is outside " +
             std::string(kImportKey);
    }
    in_key_ = !deletion;
    return std::nullopt;
  }

  std::optional<std::string> Value(std::u16string_view line) {
    std::u16string_view rest = line;
    std::u16string name;
    if (rest.front() == u'@') {
      rest.remove_prefix(1);
    } else if (!Quoted(rest, name)) {
      return Malformed();
    }
    rest = Trimmed(rest);
    if (rest.empty() || rest.front() != u'=') return Malformed();
    rest = Trimmed(rest.substr(1));
    std::u16string text;
    if (rest == u"-") {
      // A deletion of one value.
    } else if (!rest.empty() && rest.front() == u'"') {
      if (!Quoted(rest, text) || !Trimmed(rest).empty()) return Malformed();
    } else if (rest.substr(0, 6) == u"dword:") {
      rest.remove_prefix(6);
      if (rest.empty() || rest.size() > 8) return Malformed();
      for (const char16_t c : rest) {
        if (!IsHexDigit(c)) return Malformed();
      }
    } else if (rest.substr(0, 3) == u"hex") {
      return At() + " sets " + (name.empty() ? std::string("the default value") : Shown(name)) +
             " to binary data; only strings and numbers are imported";
    } else {
      return Malformed();
    }
    if (!in_key_) return At() + " sets a value that belongs to no key";
    return std::nullopt;
  }

  // Reads a double-quoted text with its escapes (\\, \", \n, \r) from the
  // start of `rest`, leaving `rest` after the closing quote.
  static bool Quoted(std::u16string_view& rest, std::u16string& text) {
    for (std::size_t i = 1; i < rest.size(); ++i) {
      const char16_t c = rest[i];
      if (c == u'"') {
        rest.remove_prefix(i + 1);
        return true;
      }
      if (c != u'\\') {
        text += c;
        continue;
      }
      if (++i == rest.size()) return false;
      switch (rest[i]) {
        case u'\\':
        case u'"':
          text += rest[i];
          break;
        case u'n':
          text += u'\n';
          break;
        case u'r':
          text += u'\r';
          break;
        default:
          return false;
      }
    }
    return false;
  }

  bool ansi_;
  int number_ = 0;
  bool in_key_ = false;
};

}  // namespace

std::optional<std::string> RegistryFileRefusal(std::string_view file) {
  if (file.size() > kMaxRegistryFileBytes) {
    return "the file is larger than " + std::to_string(kMaxRegistryFileBytes / (std::size_t{1024} * 1024)) +
           " MB";
  }
  const bool unicode = file.size() >= 2 && static_cast<std::uint8_t>(file[0]) == 0xFF &&
                       static_cast<std::uint8_t>(file[1]) == 0xFE;
  std::u16string text;
  if (unicode) {
    if (file.size() % 2 != 0) return "the file ends in the middle of a character";
    text.reserve(file.size() / 2);
    for (std::size_t i = 2; i < file.size(); i += 2) {
      text += static_cast<char16_t>(static_cast<std::uint8_t>(file[i]) |
                                    (static_cast<std::uint8_t>(file[i + 1]) << 8U));
    }
  } else {
    // Bytes above 127 stand for characters of the code page; only their
    // place matters here.
    text.reserve(file.size());
    for (const char c : file) text += static_cast<char16_t>(static_cast<std::uint8_t>(c));
  }
  if (text.find(u'\0') != std::u16string::npos) return "the file contains a NUL character";
  if (text.empty() || (text.back() != u'\r' && text.back() != u'\n')) {
    return "the file ends in the middle of a line";
  }

  // Lines end at CR, LF or CR LF, as the registry tool splits them.
  Checker checker(!unicode);
  std::size_t start = 0;
  int number = 1;
  while (start < text.size()) {
    std::size_t end = start;
    while (text[end] != u'\r' && text[end] != u'\n') ++end;
    const std::u16string_view line(text.data() + start, end - start);
    if (number == 1) {
      if (line != (unicode ? kUnicodeHeader : kAnsiHeader)) {
        return "the file is not a registry file (it must begin with \"Windows Registry Editor Version 5.00\" "
               "in Unicode or \"REGEDIT4\")";
      }
    } else if (auto refusal = checker.Line(line, number)) {
      return refusal;
    }
    start = end + ((text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ? 2 : 1);
    ++number;
  }
  return std::nullopt;
}

}  // namespace config
