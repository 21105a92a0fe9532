// The ways a handler deals with a run-time failure it catches. Each handler
// uses exactly one of them for its whole body, or skips failing statements.
#pragma once

#include <exception>
#include <string>
#include <string_view>

#include "engine/context.h"
#include "ui/control.h"

namespace engine {

// The watch tick's report: Error: "<description>".
inline std::string TickFailureText(std::string_view description) {
  std::string text = "Error: \"";
  text += description;
  text += "\".";
  return text;
}

// Runs one statement or step whose failure is skipped silently, as start-up
// and loading do; returns whether it ran to the end.
template <typename Body>
bool SkipOnFailure(Body&& body) {
  try {
    body();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// Runs a watch-tick body; a failure abandons the rest of the tick and is shown
// in the message dialog as TickFailureText.
template <typename Body>
void RunReportingTickFailure(Application& app, Body&& body) {
  try {
    body();
  } catch (const std::exception& failure) {
    app.ShowMessage(TickFailureText(failure.what()));
  }
}

// Runs Apply's body; a failure abandons the rest and is shown in the message
// dialog as the description followed by "0".
template <typename Body>
void RunReportingApplyFailure(Application& app, Body&& body) {
  try {
    body();
  } catch (const std::exception& failure) {
    app.ShowMessage(std::string(failure.what()) + "0");
  }
}

// Runs an Encryption tab handler's body; a failure abandons the rest and is
// shown, as its bare description, in the tab's red label, made visible.
// Returns whether the body ran to its end.
template <typename Body>
bool RunReportingLabelFailure(ui::Label& label, Body&& body) {
  try {
    body();
    return true;
  } catch (const std::exception& failure) {
    label.setCaption(failure.what());
    label.setVisible(true);
    return false;
  }
}

}  // namespace engine
