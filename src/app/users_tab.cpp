// The Users tab's own handlers: the Administrator box, which exempts this
// Windows account from locking at once (no Apply), and the session limit's
// box, which keeps a number. Apply stores the minutes; start-up fills them in.
#include <charconv>
#include <cstdint>
#include <string_view>

#include "app/program.h"
#include "config/registry_layout.h"

namespace app {
namespace {

// Whether the text reads as a whole number of 16 bits: an optional sign and
// digits, with blanks around them. Empty text, letters, a decimal point and
// numbers out of range do not.
bool IsSmallNumber(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return false;
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  if (text.front() == '+') {
    text.remove_prefix(1);
    if (text.empty() || text.front() == '-') return false;
  }
  std::int16_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

void FrmKestrove::AdminClick() {
  engine::Globals& g = program_.globals();
  // The loader is setting the box from the stored value: nothing to store.
  if (loadSave_.configLoading()) return;
  const bool exempt = chkAdmin.checked();
  program_.registry().WriteString(config::kUser, config::kSettingsKey, config::kCurrentUser,
                                  exempt ? config::kCurrentUserEnabled : config::kCurrentUserDisabled);
  g.userUnrestricted = exempt;
  // The reload reads the value back (a write that failed puts the box and
  // the flag back) and puts up the tray icon and tip for the new state.
  GetConfig();
}

void FrmKestrove::RelockChange() {
  // Setting "0" runs this once more, and "0" is a number.
  if (!IsSmallNumber(txtrelock.text())) txtrelock.setText("0");
}

}  // namespace app
