// Steps around the unlock prompt (see prompt_steps.h).
#include "e2e/prompt_steps.h"

#include <climits>

namespace e2e {

HWND FindPrompt(DWORD kestrove_id) {
  return FindTopLevel(WindowQuery().Titled(kPromptTitle).OfProcess(kestrove_id).VisibleOnly());
}

HWND WaitForPrompt(DWORD kestrove_id, std::string_view why, std::source_location where) {
  HWND prompt = nullptr;
  WaitUntil(
      [&] {
        prompt = FindPrompt(kestrove_id);
        return prompt != nullptr;
      },
      kDefaultTimeout, std::string("the unlock prompt \"Kestrove\" ") += why, where);
  return prompt;
}

std::string PromptHint(HWND prompt) {
  HWND highest = nullptr;
  LONG highest_top = LONG_MAX;
  HWND label = nullptr;
  // Labels are "Static" children; the hint sits above "Password:".
  while ((label = ::FindWindowExW(prompt, label, L"Static", nullptr)) != nullptr) {
    RECT rect{};
    if (IsShown(label) && ::GetWindowRect(label, &rect) && rect.top < highest_top) {
      highest = label;
      highest_top = rect.top;
    }
  }
  return highest != nullptr ? ControlText(highest) : std::string();
}

bool AnswerPrompt(HWND prompt, std::string_view password) {
  const HWND edit = FindChild(prompt, "Edit");
  return edit != nullptr && SetControlText(edit, password) && ClickButton(prompt, "OK");
}

void PromptScenario::SetUp() {
  Scenario::SetUp();
  if (HasFatalFailure()) return;
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kSettingsKey, "DontShowUpdate", "1"));
}

void PromptScenario::StartPastGate() {
  kestrove_ = &StartKestrove();
  const HWND prompt = WaitForPrompt(kestrove_->Id(), "for the configuration at start");
  ASSERT_NE(prompt, nullptr);
  ASSERT_TRUE(AnswerPrompt(prompt, kDefaultPassword));
  const HWND config =
      WaitForWindow(WindowQuery().Titled(kConfigTitle).OfProcess(kestrove_->Id()).VisibleOnly(),
                    "the configuration window after the password");
  ASSERT_NE(config, nullptr) << "prompt: " << Describe(prompt) << ", hint \"" << PromptHint(prompt) << "\"";
  ASSERT_TRUE(ClickButton(config, "Cancel"));
  ASSERT_TRUE(WaitUntil([&] { return !IsShown(config) && FindPrompt(kestrove_->Id()) == nullptr; },
                        "the configuration window and the prompt to go away"))
      << "configuration window: " << Describe(config)
      << "; prompt: " << Describe(FindPrompt(kestrove_->Id()));
}

HWND PromptScenario::OpenNotepad(std::source_location where) {
  notepad_ = &StartProgram("notepad.exe", where);
  return WaitForWindow(WindowQuery().OfClass("Notepad").OfProcess(notepad_->Id()), "Notepad's window",
                       kDefaultTimeout, where);
}

bool PromptScenario::KestroveShowsAnyWindow() const {
  return kestrove_ != nullptr && !FindWindows(WindowQuery().OfProcess(kestrove_->Id()).VisibleOnly()).empty();
}

}  // namespace e2e
