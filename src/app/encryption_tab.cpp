// The Encryption tab's handlers: an Encrypt or Decrypt run of one file or of
// every file of a folder through the hosted component RSPEncrypt1, its
// progress and result events, Abort and the "..." browse button. A failure
// during a run is shown in the red label lblerr.
#include <cmath>
#include <string>

#include "app/general.h"
#include "app/program.h"
#include "engine/failure_report.h"
#include "platform/dialog_service.h"
#include "platform/text.h"

namespace app {
namespace {

// The component's mode for .ks7 files.
constexpr std::int32_t kModeKs7 = 4;
constexpr double kTwipsPerPercent = 21.9;
// What an encryption run after which the component reported nothing shows.
constexpr std::int32_t kNoMessageCode = 99;
constexpr char kNoMessage[] = "No Message.";
// A destination shorter than nothing.
constexpr char kBadArgument[] = "Invalid procedure call or argument";

// Lengths in characters as Windows counts them (UTF-16 units).
std::size_t Length(std::string_view text) {
  return platform::Utf8ToUtf16(text).size();
}

// The text without its last `count` characters; a failure when it is
// shorter than that.
std::string WithoutLast(std::string_view text, std::size_t count) {
  const std::size_t length = Length(text);
  if (length < count) throw ui::RuntimeError(kBadArgument);
  return platform::TruncateUtf16Units(text, length - count);
}

std::string InFolder(const std::string& folder, const std::string& name) {
  return !folder.empty() && folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

}  // namespace

void FrmKestrove::HostEncryptionComponent(std::unique_ptr<engine::EncryptionComponent> component) {
  RSPEncrypt1 = std::move(component);
  RSPEncrypt1->on_progress = [this](std::int32_t percent) { OnEncryptionProgress(percent); };
  RSPEncrypt1->on_result = [this](std::int32_t code, const std::string& message) {
    OnEncryptionResult(code, message);
  };
}

// Encrypt and Decrypt stay disabled while a run goes on: a second run on the
// one component would interleave its files with this one's.
void FrmKestrove::RunEncryption(bool decrypting) {
  struct Buttons {
    FrmKestrove& form;
    explicit Buttons(FrmKestrove& owner) : form(owner) {
      form.cmdencrypt.setEnabled(false);
      form.cmddecrypt.setEnabled(false);
    }
    ~Buttons() {
      form.cmdencrypt.setEnabled(true);
      form.cmddecrypt.setEnabled(true);
    }
    Buttons(const Buttons&) = delete;
    Buttons& operator=(const Buttons&) = delete;
    Buttons(Buttons&&) = delete;
    Buttons& operator=(Buttons&&) = delete;
  } buttons(*this);
  encryption_run_failed_ = false;
  if (!engine::RunReportingLabelFailure(lblerr, [&] { EncryptionSteps(decrypting); })) {
    chkInclude.setChecked(false);
  }
}

void FrmKestrove::EncryptionSteps(bool decrypting) {
  platform::Services& os = program_.os();
  lblerr.setCaption("");
  ProgressBar.setBounds(ui::Bounds{ProgressBar.bounds().left, ProgressBar.bounds().top, kProgressStartWidth,
                                   ProgressBar.bounds().height});
  if (txtenpwd.text().empty()) {
    os.dialogs.ShowMessageBox(window(), "Enter a password to continue.", engine::kProgramTitle,
                              platform::box::kOk);
    return;
  }
  const std::string path = os.text.LowerCase(txtenpath.text());
  if (Length(path) <= 2) {
    os.dialogs.Beep();
    return;
  }
  cmdAbort.setVisible(true);
  const std::string destination = decrypting ? WithoutLast(path, 4) : path + ".ks7";
  const std::string password = os.text.LowerCase(txtenpwd.text());
  Refresh();

  engine::EncryptionComponent& component = *RSPEncrypt1;
  component.PresetMode(kModeKs7);
  lblprogress.setVisible(true);
  ProgressBar.setVisible(true);
  component.PresetFlag(true);
  const auto process = [&](const std::string& source, const std::string& target) {
    if (decrypting) {
      component.DecryptFile(source, target, password);
    } else {
      component.EncryptFile(source, target, password);
    }
  };
  if (chkInclude.checked()) {
    // The folder as typed; its files as listed now, in name order.
    File1.setPath(txtenpath.text());
    const int count = File1.listCount();
    for (int row = 0; row < count; ++row) {
      const std::string source = InFolder(File1.path(), File1.list(row));
      process(source, decrypting ? WithoutLast(source, 4) : source + ".ks7");
    }
  } else {
    process(path, destination);
  }

  if (!decrypting && encryption_message_.empty()) {
    encryption_message_ = kNoMessage;
    encryption_code_ = kNoMessageCode;
  }
  if (encryption_code_ != 0) {
    lblerr.setCaption(std::to_string(encryption_code_) + " - " + encryption_message_);
    lblerr.setVisible(true);
  }
  lblprogress.setVisible(false);
  ProgressBar.setVisible(false);
  cmdAbort.setVisible(false);
}

// Percent x 21.9 twips, rounded as Windows rounds (half to even); a width
// the bar cannot take shows it full.
void FrmKestrove::OnEncryptionProgress(std::int32_t percent) {
  const double twips = std::nearbyint(percent * kTwipsPerPercent);
  const int width = twips < 0 || twips > 32767 ? kProgressFullWidth : static_cast<int>(twips);
  ui::Bounds bounds = ProgressBar.bounds();
  bounds.width = width;
  ProgressBar.setBounds(bounds);
}

// The last result. Within one run, a file that failed stays the result shown
// even when later files of the folder succeed.
void FrmKestrove::OnEncryptionResult(std::int32_t code, const std::string& message) {
  if (code == 0 && encryption_run_failed_) return;
  encryption_code_ = code;
  encryption_message_ = message;
  if (code != 0) encryption_run_failed_ = true;
}

void FrmKestrove::BrowseForEncryptionPath() {
  const std::string chosen =
      BrowseForFolder(program_, window(), platform::ShellService::kIncludeFiles, "Select a File:");
  if (!chosen.empty()) txtenpath.setText(chosen);
}

}  // namespace app
