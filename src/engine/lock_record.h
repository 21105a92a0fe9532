// The lock record: what the newest lock locked and how its prompt answers
// it, with the lock reason codes and the requests that raise a lock. The
// record itself is kept by engine::Locks, which alone writes it.
#pragma once

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
  // The locked window's title before the lock renamed it; read from the
  // window when absent.
  std::optional<std::string_view> title = std::nullopt;
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

// The lock record, as RaiseLock and the prompt's answers leave it.
struct LockRecord {
  std::string lockReason;  // "" when no lock is pending
  platform::WindowId lockedWindow = platform::kNoWindow;
  std::string lockedTaskEntry;
  std::string lockedWindowClass;
  // The title the locked window had, for the event log only; "" when the
  // lock hides no window.
  std::string lockedWindowTitle;
  // False from an uncancellable lock until the prompt is answered.
  bool lockCancellable = true;

  [[nodiscard]] LockIdentity CurrentLock() const {
    return {lockReason, lockedWindow, lockedTaskEntry, lockedWindowClass};
  }
};

}  // namespace engine
