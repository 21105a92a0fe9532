// The program-wide state: flags and values that the lock engine, the loader
// and the windows share. Named as the product names them. What has one
// owner lives with it: the lock record with the lock engine (engine/locks.h),
// whether a load or a save runs with the main window that runs them
// (config/load_save_state.h), a reload asked for with the watch cycle.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/lock_record.h"

namespace engine {

// The title of the program's message boxes.
inline constexpr std::string_view kProgramTitle = "Kestrove Pro";

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
  bool startupLockDone = false;  // the Windows-at-startup lock was dealt with in this run

  // ---- Lock engine.
  // The text typed at the last OK while "Keep Password" was ticked; memory
  // only, never saved.
  std::string keptPassword;
  bool uninstallAllowed = false;

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
