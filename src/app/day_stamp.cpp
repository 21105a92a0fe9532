// The day stamp of the daily usage limit.
#include "app/day_stamp.h"

#include <charconv>
#include <cstdio>

namespace app {
namespace {

bool ParseNumber(std::string_view text, int& out) {
  if (text.empty() || text.size() > 2) return false;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), out);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

}  // namespace

DayStamp TodayStamp(const platform::LocalTime& now) {
  return now.month * 3600 + now.day * 60 + now.year % 100;
}

std::string StampText(DayStamp stamp) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", stamp / 3600, stamp / 60 % 60, stamp % 60);
  return text;
}

std::optional<DayStamp> ParseStamp(std::string_view text) {
  // An optional 12-hour suffix, as some time formats write it.
  int shift = -1;  // -1 none, 0 AM, 12 PM
  if (text.size() > 3 && text[text.size() - 3] == ' ') {
    const std::string_view suffix = text.substr(text.size() - 2);
    if (suffix == "AM" || suffix == "am") shift = 0;
    if (suffix == "PM" || suffix == "pm") shift = 12;
    if (shift < 0) return std::nullopt;
    text.remove_suffix(3);
  }
  const std::size_t first = text.find(':');
  const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
  if (!ParseNumber(text.substr(0, first), hours) ||
      !ParseNumber(text.substr(first + 1, second - first - 1), minutes) ||
      !ParseNumber(text.substr(second + 1), seconds)) {
    return std::nullopt;
  }
  if (shift >= 0) {
    if (hours < 1 || hours > 12) return std::nullopt;
    hours = hours % 12 + shift;
  }
  if (hours > 23 || minutes > 59 || seconds > 99) return std::nullopt;
  return hours * 3600 + minutes * 60 + seconds;
}

}  // namespace app
