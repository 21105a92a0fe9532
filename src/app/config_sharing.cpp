// Sharing the configuration between computers: Export and Import on the
// Users tab, the drop folder that tmrAutoUpdated watches with its import step
// Command1, and the instructions behind Image1. The registry tool writes and
// imports the files; the program reads every file before it is imported and
// lets the tool import only what writes inside the program's own key.
#include <array>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/general.h"
#include "app/program.h"
#include "config/registry_file.h"
#include "engine/event_reports.h"
#include "engine/failure_report.h"
#include "ui/runtime_error.h"

namespace app {
namespace {

using platform::RunResult;
using platform::ShowCommand;

constexpr std::string_view kRegistryTool = "reg.exe";
constexpr std::string_view kExportFile = "kstrv7.reg";
constexpr std::string_view kDropFile = "save\\kstrv7.reg";
constexpr std::string_view kRejectedFile = "kstrv7.reg.rejected";
// How a file came to be imported, as the event log names it.
constexpr std::string_view kImportedOnUsersTab = "Import on the Users tab";
constexpr std::string_view kImportedFromDropFolder = "Automatic update from the save folder";
// The copy the registry tool imports, in this user's own temporary folder:
// the file the program checked, byte for byte, whatever happens meanwhile to
// the original in a folder others can write to.
constexpr std::string_view kImportCopy = "kstrv7-import.reg";
// The registry tool needs well under a second for a configuration; one that
// hangs is stopped after this long.
constexpr std::uint32_t kToolTimeLimitMs = 30000;

std::string Quoted(std::string_view path) {
  return "\"" + std::string(path) + "\"";
}

// The day of the month, the month's full name in the user's language and
// the time: "6-December 9:05".
std::string CompletionTime(platform::ClockService& clock) {
  const platform::LocalTime now = clock.Now();
  return std::to_string(now.day) + "-" + clock.MonthName(now.month) + " " + std::to_string(now.hour) + ":" +
         (now.minute < 10 ? "0" : "") + std::to_string(now.minute);
}

// What went wrong with a run of the registry tool; "" when it did its work.
std::string ToolFailure(const RunResult& result) {
  switch (result.outcome) {
    case RunResult::Outcome::kNotStarted:
      return "the registry tool reg.exe could not be started";
    case RunResult::Outcome::kTimedOut:
      return "the registry tool did not finish within " + std::to_string(kToolTimeLimitMs / 1000) +
             " seconds and was stopped";
    case RunResult::Outcome::kExited:
      break;
  }
  if (result.exit_code == 0) return {};
  return "the registry tool reported an error (exit code " + std::to_string(result.exit_code) + ")";
}

// Runs the registry tool and waits for it to end with the events going on:
// the watch ticks and locks meanwhile, as it does during an encryption. The
// tool reads or writes the program's whole key, so to the loader and Apply
// its run is a save under way: a reload waits for it, Apply, Export and
// Import are refused, the drop folder's file waits for the next minute. The
// buttons that would start one of those are disabled until it has ended.
RunResult RunRegistryTool(Program& program, config::LoadSaveState& load_save, std::string arguments,
                          ShowCommand show) {
  const auto busy = load_save.Saving();
  struct DisabledMeanwhile {
    explicit DisabledMeanwhile(FrmKestrove& form) : buttons{&form.cmdExport, &form.cmdImport, &form.cmdok} {
      for (std::size_t i = 0; i < buttons.size(); ++i) {
        was_enabled[i] = buttons[i]->enabled();
        buttons[i]->setEnabled(false);
      }
    }
    ~DisabledMeanwhile() {
      for (std::size_t i = 0; i < buttons.size(); ++i) buttons[i]->setEnabled(was_enabled[i]);
    }
    DisabledMeanwhile(const DisabledMeanwhile&) = delete;
    DisabledMeanwhile& operator=(const DisabledMeanwhile&) = delete;
    DisabledMeanwhile(DisabledMeanwhile&&) = delete;
    DisabledMeanwhile& operator=(DisabledMeanwhile&&) = delete;
    std::array<ui::Button*, 3> buttons;
    std::array<bool, 3> was_enabled{};
  } disabled(program.frmkestrove);

  // Shared with the posted callback, which may run after this call has left
  // (when a failure in an event ends the wait early).
  const auto result = std::make_shared<std::optional<RunResult>>();
  platform::ProcessService& process = program.os().process;
  std::jthread worker([&process, arguments = std::move(arguments), show, result,
                       channel = program.os().loop.OpenWorkerChannel()]() mutable {
    RunResult run;  // not started, unless the service says otherwise
    try {
      run = process.RunSystemProgram(kRegistryTool, arguments, show, kToolTimeLimitMs);
    } catch (const std::exception&) {
      // Out of memory for the command line: not started.
    }
    channel->Post([result, run] { *result = run; });
    // Closing the channel last: a wait on the window thread ends with it.
    channel.reset();
  });
  while (!result->has_value()) program.os().loop.WaitForEvents();
  return **result;
}

std::string NotImportedText(std::string_view path, std::string_view why) {
  return "The configuration was not imported from " + std::string(path) + ": " + std::string(why) + ".";
}

struct ImportOutcome {
  enum class Kind {
    kImported,
    kRefused,  // the file may not be imported; nothing was
    kFailed,   // the registry tool rejected the file or hung on it, maybe half-way
    kNotRun,   // nothing happened, for reasons that may pass (a file in use)
  };
  Kind kind = Kind::kImported;
  std::string why;
};

// Checks the file and has the registry tool import a copy of what was
// checked, minimized with the focus, waiting for it to end.
ImportOutcome ImportFileUnreported(Program& program, config::LoadSaveState& load_save,
                                   std::string_view path) {
  using Kind = ImportOutcome::Kind;
  // Only one run of the tool at a time, never in the middle of a save.
  if (load_save.busy()) {
    return {Kind::kNotRun, "the settings are being loaded or saved"};
  }
  platform::FileService& files = program.os().files;
  const std::optional<std::string> content = files.ReadWhole(path, config::kMaxRegistryFileBytes + 1);
  if (!content) return {Kind::kNotRun, "the file could not be read"};
  if (auto refusal = config::RegistryFileRefusal(*content)) return {Kind::kRefused, std::move(*refusal)};

  const std::string folder = files.TemporaryFolder();
  const std::string copy = folder + std::string(kImportCopy);
  if (folder.empty() || !files.WriteWhole(copy, *content)) {
    return {Kind::kNotRun, "no copy of it could be written to the temporary folder"};
  }
  const RunResult result =
      RunRegistryTool(program, load_save, "import " + Quoted(copy), ShowCommand::kShowMinimized);
  files.Delete(copy);
  std::string failure = ToolFailure(result);
  if (failure.empty()) return {};
  return {result.outcome == RunResult::Outcome::kNotStarted ? Kind::kNotRun : Kind::kFailed,
          std::move(failure)};
}

// ImportFileUnreported, with its outcome in the event log: an import, a
// refusal and a rejection by the registry tool; an attempt that did not run
// is not (it is tried again).
ImportOutcome ImportFile(Program& program, config::LoadSaveState& load_save, std::string_view path,
                         std::string_view how) {
  ImportOutcome outcome = ImportFileUnreported(program, load_save, path);
  switch (outcome.kind) {
    case ImportOutcome::Kind::kImported:
      engine::ReportConfigurationImported(program.context(), path, how);
      break;
    case ImportOutcome::Kind::kRefused:
    case ImportOutcome::Kind::kFailed:
      engine::ReportConfigurationRefused(program.context(), path, how, outcome.why);
      break;
    case ImportOutcome::Kind::kNotRun:
      break;
  }
  return outcome;
}

// The instructions, each line ended by a carriage return.
constexpr const char* kAutoUpdateHelp[] = {
    "Have your computers update the Configuration automatically.",
    "1. From your computer Export the Configuration on Users tab.",
    "2. Copy exported file 'kstrv7.reg' to all other computers, to the directory below:",
    "C:\\Program Files\\kst7\\Save",
    "(where above directory is where software is installed.",
    "3. Wait 1 minute. Settings update and confirmation displayed.",
};

}  // namespace

void FrmKestrove::WireSharing() {
  cmdExport.on_click = [this] { ExportConfig(); };
  cmdImport.on_click = [this] { ImportConfig(); };
  tmrAutoUpdated.on_timer = [this] { AutoUpdateTick(); };
  Command1.on_click = [this] { AutoUpdateImport(); };
  Image1.on_click = [this] {
    std::string text;
    for (const char* line : kAutoUpdateHelp) text += std::string(line) + "\r";
    program_.ShowMessage(std::move(text));
  };
}

void FrmKestrove::ExportConfig() {
  engine::RunReportingBoxFailure(program_.context(), window(), [this] {
    const std::string folder =
        BrowseForFolder(program_, window(), platform::ShellService::kOnlyFileSystemFolders, kNoBrowseTitle);
    // Cancelled: a file named without its folder would land wherever the
    // current folder happens to be.
    if (folder.empty()) return;
    const std::string file = folder + (folder.back() == '\\' ? "" : "\\") + std::string(kExportFile);
    // A file written in the middle of a save would hold half of each.
    if (loadSave_.busy()) {
      throw ui::RuntimeError("The settings are being loaded or saved. Export again in a moment.");
    }
    // "/y": without it the tool asks before replacing an earlier export, and
    // waits for an answer nobody can give.
    const RunResult result =
        RunRegistryTool(program_, loadSave_, "export hklm\\software\\ksv " + Quoted(file) + " /y",
                        ShowCommand::kShowNormalNoActivate);
    if (std::string failure = ToolFailure(result); !failure.empty()) {
      throw ui::RuntimeError("The configuration was not exported to " + file + ": " + failure + ".");
    }
  });
}

void FrmKestrove::ImportConfig() {
  engine::RunReportingBoxFailure(program_.context(), window(), [this] {
    const std::string path =
        BrowseForFolder(program_, window(), platform::ShellService::kIncludeFiles, "Select import folder:");
    if (path.empty()) return;
    // An import in the middle of a save (yielding at every value) would be
    // partly written over, and the window would show neither.
    if (loadSave_.busy()) {
      throw ui::RuntimeError("The settings are being loaded or saved. Import again in a moment.");
    }
    const ImportOutcome outcome = ImportFile(program_, loadSave_, path, kImportedOnUsersTab);
    // After the tool has ended, whatever it did: the window shows what the
    // registry holds.
    if (outcome.kind == ImportOutcome::Kind::kImported || outcome.kind == ImportOutcome::Kind::kFailed) {
      GetConfig();
    }
    if (outcome.kind != ImportOutcome::Kind::kImported)
      throw ui::RuntimeError(NotImportedText(path, outcome.why));
  });
}

// The tick's messages belong to the main window only while it is on screen:
// Windows activates a message box's owner when the box closes, and the
// hidden main window, activated, would ask for the password.
platform::WindowId FrmKestrove::AutoUpdateBoxOwner() const {
  return visible() ? window() : platform::kNoWindow;
}

void FrmKestrove::AutoUpdateTick() {
  engine::RunReportingBoxFailure(program_.context(), AutoUpdateBoxOwner(), [this] {
    const engine::Globals& g = program_.globals();
    // Without the program's folder the path would name a file wherever the
    // current folder happens to be.
    if (g.appFolder.empty()) return;
    autoUpdatePath_ = g.appFolder + std::string(kDropFile);
    if (!FileExists(program_, autoUpdatePath_)) return;
    // A save or a load yielding below this tick would be mixed with the
    // import; the file waits for the next tick.
    if (loadSave_.busy()) return;
    AutoUpdateImport();
  });
}

// Reports its failures through the tick. A file that may not be imported, or
// that the registry tool rejects, is set aside so that it is not tried again
// every minute; nothing is deleted that was not imported.
void FrmKestrove::AutoUpdateImport() {
  using Kind = ImportOutcome::Kind;
  const std::string path = autoUpdatePath_;
  const ImportOutcome outcome = ImportFile(program_, loadSave_, path, kImportedFromDropFolder);
  if (outcome.kind != Kind::kImported) {
    std::string text = NotImportedText(path, outcome.why);
    if (outcome.kind == Kind::kNotRun) {
      text += " It will be tried again in a minute.";
    } else if (program_.os().files.Rename(
                   path, path.substr(0, path.rfind('\\') + 1) + std::string(kRejectedFile))) {
      text += " It was renamed to " + std::string(kRejectedFile) + ".";
    } else {
      text += " It could not be renamed and will be tried again in a minute.";
    }
    if (outcome.kind == Kind::kFailed) GetConfig();
    throw ui::RuntimeError(text);
  }
  program_.os().dialogs.ShowMessageBox(
      AutoUpdateBoxOwner(),
      "Auto-update of configuration completed on " + CompletionTime(program_.os().clock),
      engine::kMessageBoxTitle, platform::box::kOk);
  const bool deleted = program_.os().files.Delete(path);
  GetConfig();
  if (!deleted) throw ui::RuntimeError("The imported file " + path + " could not be deleted.");
}

}  // namespace app
