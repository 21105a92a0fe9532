// What the program writes to the Windows event log, in the product's terms:
// one function per event. Writing an event never fails or delays the action
// it reports: a failure of the log, or of building the event's texts, is
// swallowed here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/context.h"
#include "engine/globals.h"

namespace engine {

// A wrong answer at the prompt, for the lock it was given for (title: the
// locked window's title). The typed text is never written.
void ReportWrongPassword(Context& context, const LockIdentity& lock, std::string_view title) noexcept;
// The right password answered that lock.
void ReportLockAnswered(Context& context, const LockIdentity& lock, std::string_view title) noexcept;
// Today's allowance is used up and its lock raised.
void ReportAllowanceUsedUp(Context& context) noexcept;
// Apply saved the configuration the main window shows.
void ReportConfigurationApplied(Context& context, std::size_t tasks, std::size_t ignore_entries) noexcept;
// how: the way the file came ("Import on the Users tab", "Automatic update").
void ReportConfigurationImported(Context& context, std::string_view file, std::string_view how) noexcept;
// why: the reason it was not imported, as the user is told.
void ReportConfigurationRefused(Context& context, std::string_view file, std::string_view how,
                                std::string_view why) noexcept;

// The lock's kind as the event texts name it.
std::string LockKind(const LockIdentity& lock);

}  // namespace engine
