// The message dialog frmError: the program's one message window. Callers set
// messageText and present it without waiting; the label follows messageText
// every 100 ms. A few captions make it a small question whose OK starts the
// updater ("Kestrove Pro 2011 Update", "Program In-use").
#pragma once

#include <string_view>

#include "ui/control.h"
#include "ui/form.h"

namespace app {

class Program;

inline constexpr std::string_view kUpdateReminderCaption = "Kestrove Pro 2011 Update";
inline constexpr std::string_view kProgramInUseCaption = "Program In-use";
inline constexpr std::string_view kMessageCaption = "Message:";

class FrmError : public ui::Form {
 public:
  FrmError(ui::FormEnvironment env, Program& program);

  // Shows the dialog modelessly in the mode its caption selects; the update
  // reminder closes at once, unseen, once it has been switched off.
  void Present();
  // Shows messageText as an ordinary message ("Message:"). A reminder or a
  // question that is open gives way: its caption, check box and Cancel go,
  // so the message's OK starts nothing and the reminder's switch does not
  // hide it.
  void PresentMessage();

  ui::Image Image1;
  ui::Label Label1;
  ui::Frame Frame1;
  ui::CheckBox chkShowAgain;
  ui::Button cmdCancel;
  ui::Button cmdok;
  ui::Timer Timer1;

 private:
  void OK();
  void Close();
  Program& program_;
};

}  // namespace app
