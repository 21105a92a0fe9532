// kstrv7.exe: builds the win32 services and the form renderer, hands them to
// the program, starts it and runs the message loop.
#include <windows.h>
#include <ole2.h>

// windows.h names two of its functions EncryptFile and DecryptFile through
// macros; the file-encryption component's operations keep their own names.
#undef EncryptFile
#undef DecryptFile

#include <exception>
#include <utility>

#include "app/program.h"
#include "platform/shell_service.h"
#include "platform/win32/win32_constants.h"
#include "platform/win32/win32_services.h"
#include "ui/win32/win32_form_host.h"

static_assert(platform::kTrayCallbackMessage == platform::win32::kWmTrayCallback,
              "the tray record and the window procedure must agree on the callback message");

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/, int /*show*/) {
  // The shell's folder browser needs COM on the window thread.
  ::OleInitialize(nullptr);
  try {
    platform::win32::Win32Services services(instance);
    ui::win32::Win32FormHost host(instance);
    services.process().SetOwnerWindow(host.owner_window());
    services.loop().message_filter = [&host](MSG& message) { return host.PreTranslateMessage(message); };

    app::Program program(services.services(), host);
    // A handler's failure that reaches a window procedure is shown, never
    // allowed to end the program.
    host.set_unhandled_error_handler(
        [&program](const std::string& description) { app::ShowMessage(program, description); });
    // So is a timer tick's: rethrown out of the message loop it would end the
    // program, and every lock with it.
    services.loop().tick_failure_handler = [&program](std::exception_ptr failure) {
      try {
        std::rethrow_exception(std::move(failure));
      } catch (const std::exception& error) {
        app::ShowMessage(program, error.what());
      } catch (...) {
        app::ShowMessage(program, "Unexpected failure");
      }
    };
    program.Start();
    return services.loop().Run();
  } catch (const std::exception&) {
    return 1;
  }
}
