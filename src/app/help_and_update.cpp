// The three small doors out of the main window: "?" opens the help file,
// "Update Check" hands over to the updater once the user agrees to end the
// program, and "Lock a Folder" starts the folder-lock program. Each file is
// looked for in the program's own folder only.
#include "app/general.h"
#include "app/program.h"
#include "engine/failure_report.h"

namespace app {

void FrmKestrove::OpenHelp() {
  // A missing help file is not reported: nothing visible happens.
  OpenProgramFile(program_, window(), "kestrove.chm");
}

// The updater replaces the program's files, so the program asks to end first;
// the dialog's OK starts the updater and ends the program, Cancel declines.
void FrmKestrove::UpdateCheck() {
  engine::RunReportingBoxFailure(program_.context(), window(), [this] {
    FrmError& dialog = program_.frmError;
    program_.globals().messageText =
        "Kestrove Pro must shut-down before update!Click OK to close Kestrove Pro or cancel to abort update.";
    // The caption is set before the dialog is shown: shown as the update
    // reminder that was switched off meanwhile, it would close unseen.
    dialog.Load();
    dialog.setCaption(std::string(kProgramInUseCaption));
    dialog.chkShowAgain.setVisible(false);
    dialog.Label1.setCaption(program_.globals().messageText);
    dialog.Present();
  });
}

void FrmKestrove::LockFolder() {
  if (!OpenProgramFile(program_, window(), "dirlatch.exe"))
    program_.ShowMessage("dirlatch.exe is not installed.");
}

}  // namespace app
