// The program-wide state: flags and values that the lock engine, the loader
// and the windows share, and the one lock record through which every lock is
// handed to the unlock prompt. Named as the product names them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace engine {

// Lock reason codes; compared exactly (case-sensitive).
namespace reason {
inline constexpr std::string_view kNone = "";
inline constexpr std::string_view kApp = "app";       // a task match, start-up, expired session
inline constexpr std::string_view kConfig = "cfg";    // the configuration window
inline constexpr std::string_view kPassword = "pwd";  // setting a new access password
inline constexpr std::string_view kRegistry = "reg";  // the registry editor
inline constexpr std::string_view kIE = "ie";         // Internet Explorer
inline constexpr std::string_view kFirefox = "ff";    // other browsers
inline constexpr std::string_view kExplorer = "ex";   // Windows Explorer
inline constexpr std::string_view kTaskManager = "tm";
inline constexpr std::string_view kInstall = "ins";    // an installer
inline constexpr std::string_view kUninstall = "un";   // the program's own uninstaller
inline constexpr std::string_view kCancel = "cancel";  // only while Cancel closes the prompt
}  // namespace reason

// The title of the program's message boxes.
inline constexpr std::string_view kProgramTitle = "Kestrove Pro";

// What the loader and the built-in rules put in lockedTaskEntry.
inline constexpr std::string_view kStartupEntry = "Microsoft Windows®";
inline constexpr std::string_view kExpiredEntry = "Expired Windows® Session";

// What a raiser of a lock asks for: the record's new fields (an absent one
// stays as it was) and how the prompt comes up.
struct LockRequest {
  std::string_view reason;
  std::optional<std::string_view> entry = std::nullopt;
  std::optional<platform::WindowId> window = std::nullopt;
  std::optional<std::string_view> window_class = std::nullopt;
  // A lock that must not be cancelled: the prompt's Cancel stays disabled
  // until the password answers it, whatever lock comes after it.
  bool cancellable = true;
  // The built-in rules show the prompt only when it is not up already.
  bool only_if_hidden = false;
};

// The locks that hide no window and cannot be cancelled: Windows at start-up
// and the end of today's allowance. They record no window, so their unlock
// shows and allows nothing left over from an earlier lock.
inline LockRequest StartupLock() {
  return {.reason = reason::kApp,
          .entry = kStartupEntry,
          .window = platform::kNoWindow,
          .window_class = "",
          .cancellable = false};
}
inline LockRequest ExpiredSessionLock() {
  LockRequest request = StartupLock();
  request.entry = kExpiredEntry;
  return request;
}

// The configuration window's lock (entry unchanged when absent). It hides no
// window, so its Cancel closes nothing: a window left in the record by an
// earlier lock is forgotten.
inline LockRequest ConfigLock(std::optional<std::string_view> entry) {
  return {.reason = reason::kConfig, .entry = entry, .window = platform::kNoWindow};
}

// The lock the record names, for a wait (Cancel's second, a message box) to
// tell afterwards whether its lock was replaced meanwhile.
struct LockIdentity {
  std::string reason;
  platform::WindowId window = platform::kNoWindow;
  std::string entry;
  std::string window_class;

  friend bool operator==(const LockIdentity&, const LockIdentity&) = default;
};

// Raises a program-wide flag for the life of a scope, however it is left.
class ScopedFlag {
 public:
  explicit ScopedFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~ScopedFlag() { flag_ = false; }
  ScopedFlag(const ScopedFlag&) = delete;
  ScopedFlag& operator=(const ScopedFlag&) = delete;
  ScopedFlag(ScopedFlag&&) = delete;
  ScopedFlag& operator=(ScopedFlag&&) = delete;

 private:
  bool& flag_;
};

struct Globals {
  // ---- Lock record: written by whoever raises a lock, read by the prompt.
  std::string lockReason;  // "" when no lock is pending
  platform::WindowId lockedWindow = platform::kNoWindow;
  std::string lockedTaskEntry;
  std::string lockedWindowClass;
  // False from an uncancellable lock until the prompt is answered.
  bool lockCancellable = true;

  [[nodiscard]] LockIdentity CurrentLock() const {
    return {lockReason, lockedWindow, lockedTaskEntry, lockedWindowClass};
  }

  // ---- Loaded configuration.
  bool userUnrestricted = false;  // this Windows account is never locked
  // The password in force: the stored hashed form, or a plain-text password
  // in lower case (see config/password.h).
  std::string accessPassword{"tavrolk"};
  int ruleIE = 0;  // 0 off, 1 on, 2 a window is locked and waits for its unlock
  bool ruleBrowsers = false;
  bool ruleExplorer = false;
  bool ruleTaskManager = false;
  bool ruleInstall = false;
  bool ruleRegistryTools = false;
  bool configLoading = false;  // GetConfig is putting what it read into the controls
  // The stored password has been put in force once in this run. Until then
  // no lock is raised and no password is checked: the default password is
  // in force only while none is stored.
  bool configLoaded = false;
  // A load is filling the window, or Apply is writing the settings: neither
  // may start while the other runs (or while it runs itself).
  bool loadRunning = false;
  bool saveRunning = false;
  bool startupLockDone = false;  // the Windows-at-startup lock was dealt with in this run

  // ---- Lock engine.
  // The text typed at the last OK while "Keep Password" was ticked; memory
  // only, never saved.
  std::string keptPassword;
  bool uninstallAllowed = false;
  bool reloadPending = false;  // reload the configuration at the next watch tick

  // ---- Application frame.
  bool configAuthorised = false;
  bool exitRequested = false;
  std::string appFolder;  // the program's folder with a trailing "\"
  int sessionMinutesLeft = 0;
  std::string messageText;  // the message dialog's text

  // ---- Task list management.
  // The text the window browser's Select handed over for the task list; ""
  // when it was closed any other way.
  std::string PendingTask;
};

}  // namespace engine
