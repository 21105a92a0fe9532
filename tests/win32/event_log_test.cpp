// The event log backend: every event reaches ReportEventW with its type, id and
// texts, and has a message that takes exactly those texts. Wine 8 keeps no event
// log: event_log_trace.sh compares Wine's trace with the lines this test prints.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_event_log.h"

namespace {

using platform::EventId;

struct Sample {
  EventId id;
  WORD type;
  std::vector<std::string> texts;
};

const std::vector<Sample> kSamples = {
    {EventId::kWrongPassword, EVENTLOG_WARNING_TYPE, {"Protected task", "Notepad", "Заметки - Notepad"}},
    {EventId::kLockAnswered,
     EVENTLOG_INFORMATION_TYPE,
     {"Registry tools", "Registry Tools", "Registry Editor"}},
    {EventId::kAllowanceUsedUp, EVENTLOG_WARNING_TYPE, {}},
    {EventId::kConfigurationApplied, EVENTLOG_INFORMATION_TYPE, {"12", "3"}},
    {EventId::kConfigurationImported, EVENTLOG_INFORMATION_TYPE, {"C:\\Shared\\kstrv7.reg", "Import"}},
    {EventId::kConfigurationRefused,
     EVENTLOG_ERROR_TYPE,
     {"C:\\Shared\\kstrv7.reg", "Automatic update", "the file \"x\" is not a registry file"}},
    {EventId::kUninstallRefused, EVENTLOG_WARNING_TYPE, {}},
};

// A text as Wine's trace quotes it: L"...", with \" \\ and \xxxx escapes.
std::string TraceQuoted(const std::string& text) {
  std::string quoted = "L\"";
  for (const wchar_t c : platform::win32::ToWide(text)) {
    if (c == L'"' || c == L'\\') {
      quoted += '\\';
      quoted += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      quoted += static_cast<char>(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\%04x", static_cast<unsigned>(c));
      quoted += escape;
    }
  }
  return quoted + "\"";
}

TEST(EventLogBackend, EveryEventIsHandedToReportEvent) {
  platform::win32::Win32EventLog log;
  for (const Sample& sample : kSamples) log.Write(sample.id, sample.texts);
  EXPECT_EQ(log.Flush(10000), kSamples.size()) << "each ReportEventW call succeeded";
  for (const Sample& sample : kSamples) {
    char head[64];
    std::snprintf(head, sizeof head, "event-log expects: 0x%04x 0x%08x", sample.type,
                  static_cast<unsigned>(sample.id));
    std::string line = head;
    for (const std::string& text : sample.texts) line += " " + TraceQuoted(text);
    std::printf("%s\n", line.c_str());
  }
  std::fflush(stdout);
}

// Texts beyond an event's own are placeholders that must not appear.
TEST(EventLogBackend, EveryEventHasAMessageThatTakesItsTexts) {
  for (const Sample& sample : kSamples) {
    std::vector<std::wstring> texts;
    for (const std::string& text : sample.texts) texts.push_back(platform::win32::ToWide(text));
    while (texts.size() < 9) texts.push_back(L"(unused insert)");
    std::vector<DWORD_PTR> arguments;
    for (const std::wstring& text : texts) arguments.push_back(reinterpret_cast<DWORD_PTR>(text.c_str()));
    wchar_t message[2048] = {};
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                          ::GetModuleHandleW(nullptr), static_cast<DWORD>(sample.id),
                                          MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), message, 2048,
                                          reinterpret_cast<va_list*>(arguments.data()));
    const std::string text = platform::win32::FromWide(message);
    ASSERT_NE(length, 0U) << "no message for event " << static_cast<int>(sample.id);
    for (const std::string& insert : sample.texts) EXPECT_NE(text.find(insert), std::string::npos) << text;
    EXPECT_EQ(text.find("(unused insert)"), std::string::npos) << text;
  }
}

}  // namespace
