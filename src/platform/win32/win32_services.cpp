// Every win32 backend in one bundle.
#include "platform/win32/win32_services.h"

namespace platform::win32 {

Win32Services::Win32Services(HINSTANCE instance) : loop_(instance), shell_(instance) {}

}  // namespace platform::win32
