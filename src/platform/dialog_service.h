// The standard message box and the beep.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/types.h"

namespace platform {

// Message box styles and answers, numbered as Windows numbers them.
namespace box {
inline constexpr std::uint32_t kOk = 0x0;
inline constexpr std::uint32_t kOkCancel = 0x1;
inline constexpr std::uint32_t kIconError = 0x10;
inline constexpr std::uint32_t kIconExclamation = 0x30;
inline constexpr std::uint32_t kIconInformation = 0x40;
inline constexpr std::uint32_t kSystemModal = 0x1000;
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
}  // namespace box

class DialogService {
 public:
  virtual ~DialogService() = default;

  // Shows a modal message box (timers keep running) and returns the button
  // pressed (box::kAnswerOk, box::kAnswerCancel, ...); 0 when it failed.
  virtual int ShowMessageBox(WindowId owner, std::string_view text, std::string_view title,
                             std::uint32_t style) = 0;
  // The default beep.
  virtual void Beep() = 0;
};

}  // namespace platform
