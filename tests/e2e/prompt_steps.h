// Steps shared by the scenarios around kstrv7.exe's unlock prompt: finding
// the prompt, reading its hint, answering it, and getting past the password
// gate the program raises for its configuration window when it starts.
#pragma once

#include <chrono>
#include <source_location>
#include <string>
#include <string_view>

#include "e2e/harness.h"

namespace e2e {

inline constexpr std::string_view kPromptTitle = "Kestrove";
inline constexpr std::string_view kConfigTitle = "Kestrove Pro Configuration Tool";
// The password in force while none is stored; the prompt takes any letter case.
inline constexpr std::string_view kDefaultPassword = "tavrolk";
// The prompt's hints.
inline constexpr std::string_view kDefaultPasswordHint = "The default password is TAVROLK.";
inline constexpr std::string_view kInvalidPasswordHint = "Password is Invalid.";
inline constexpr std::string_view kEnterPasswordHint =
    "Enter a password to continue, or, contact your network administrator.";
inline constexpr std::string_view kHiddenTitle = "###";

// The program checks the foreground once a second; "nothing happens" is
// watched for three ticks with half a tick to spare.
inline constexpr std::chrono::milliseconds kThreeTicks{3500};

// The unlock prompt of that process while it is shown, else nullptr.
HWND FindPrompt(DWORD kestrove_id);
// Waits for the prompt to be shown; nullptr (and a failure) when it is not.
HWND WaitForPrompt(DWORD kestrove_id, std::string_view why,
                   std::source_location where = std::source_location::current());
// The hint at the top of the prompt ("" when there is none): its highest
// label, as a user reads it.
std::string PromptHint(HWND prompt);
// Puts the password into the prompt's box (WM_SETTEXT) and clicks OK.
bool AnswerPrompt(HWND prompt, std::string_view password);

// Scenarios that start kstrv7.exe and get past its start-up gate first. The
// update reminder is switched off ("Don't show again"), as a user who has
// seen it once has done, so that it does not take the foreground.
class PromptScenario : public Scenario {
 protected:
  void SetUp() override;

  // Starts kstrv7.exe with the configuration written so far and gets past
  // its start-up gate as a user does: the default password into the prompt,
  // OK, then Cancel in the configuration window that opens. The watch cycle
  // runs from then on. Fails the scenario (fatally) when a step fails.
  void StartPastGate();
  // Opens Notepad (notepad_) and returns its main window as soon as it
  // exists.
  HWND OpenNotepad(std::source_location where = std::source_location::current());
  // Whether any window of the program is shown (the prompt, its cover, the
  // configuration window).
  bool KestroveShowsAnyWindow() const;

  Process* kestrove_ = nullptr;
  Process* notepad_ = nullptr;
};

}  // namespace e2e
