// The message dialog.
#include "app/frm_error.h"

#include "app/general.h"
#include "app/program.h"
#include "config/registry_layout.h"
#include "engine/failure_report.h"

namespace app {
namespace {

// The one writer that spells the settings key in capitals; the registry
// does not mind.
constexpr std::string_view kSettingsKeyUpper = "SOFTWARE\\KSV\\SETTINGS";

}  // namespace

FrmError::FrmError(ui::FormEnvironment env, Program& program)
    : ui::Form(env, "frmError", std::string(kMessageCaption), ui::Bounds{0, 0, 6975, 2565}),
      Image1(*this, "Image1", ui::Bounds{240, 240, 480, 480}, "IDI_PROGRAM"),
      Label1(*this, "Label1", ui::Bounds{900, 240, 5925, 1680}, "#"),
      Frame1(*this, "Frame1", ui::Bounds{0, 1980, 6975, 585}),
      chkShowAgain(*this, "chkShowAgain", ui::Bounds{240, 2145, 2655, 255}, "Don't show again"),
      cmdCancel(*this, "cmdCancel", ui::Bounds{4260, 2085, 1215, 375}, "Cancel"),
      cmdok(*this, "cmdok", ui::Bounds{5580, 2085, 1215, 375}, "OK"),
      Timer1(*this, "Timer1", 100, true),
      program_(program) {
  border_style = ui::BorderStyle::kFixedDialog;
  min_button = false;
  max_button = false;
  back_color = 0xFFFFFF;
  icon = "IDI_PROGRAM";
  Frame1.bordered = false;
  Frame1.top_line_color = 0xC0C0C0;
  for (ui::Control* control : std::initializer_list<ui::Control*>{&chkShowAgain, &cmdCancel, &cmdok}) {
    control->setContainer(Frame1);
  }
  chkShowAgain.Design(false, true);
  cmdCancel.Design(false, true);
  cmdCancel.is_cancel = true;
  cmdok.is_default = true;
  on_load = [this] { Label1.setCaption(program_.globals().messageText); };
  Timer1.on_timer = [this] { Label1.setCaption(program_.globals().messageText); };
  chkShowAgain.on_click = [this] {
    if (caption() != kUpdateReminderCaption || !chkShowAgain.checked()) return;
    // An account that may not change the machine's keys keeps the choice for
    // itself, so the ticked box is not a promise broken at the next start.
    if (!program_.registry().TryWriteString(config::kMachine, kSettingsKeyUpper, config::kDontShowUpdate,
                                            "1")) {
      program_.registry().WriteString(config::kUser, config::kSettingsKey, config::kDontShowUpdate, "1");
    }
  };
  cmdok.on_click = [this] { OK(); };
  cmdCancel.on_click = [this] { Close(); };
}

void FrmError::Present() {
  Load();
  const auto switched_off = [this](platform::RegRoot root) {
    return program_.registry().ReadString(root, config::kSettingsKey, config::kDontShowUpdate) == "1";
  };
  if (caption() == kUpdateReminderCaption &&
      (switched_off(config::kMachine) || switched_off(config::kUser))) {
    Unload();
    return;
  }
  // The update check's question can be declined.
  if (caption() == kProgramInUseCaption) cmdCancel.setVisible(true);
  Show();
}

void FrmError::PresentMessage() {
  Load();
  if (caption() != kMessageCaption) {
    setCaption(std::string(kMessageCaption));
    chkShowAgain.setVisible(false);
    cmdCancel.setVisible(false);
  }
  Label1.setCaption(program_.globals().messageText);
  Present();
}

void FrmError::OK() {
  const std::string mode = caption();
  if (mode == kUpdateReminderCaption || mode == kProgramInUseCaption) {
    // The updater starts the program again when no copy runs: this one,
    // about to end, must not count, however long it takes to go.
    if (mode == kProgramInUseCaption) {
      engine::SkipOnFailure([this] { program_.os().process.ReleaseInstanceClaim(); });
    }
    // A missing updater is not reported.
    OpenProgramFile(program_, window(), "KsUpdate.exe");
    if (mode == kProgramInUseCaption) EndProgram(program_);
  }
  Close();
}

void FrmError::Close() {
  program_.globals().messageText.clear();
  Unload();
}

}  // namespace app
