// The unlock prompt's answer checks: a check of a typed password against the
// stored one runs on a worker thread, since at the stored iteration count it
// takes most of a second and the watch must go on meanwhile; and the wait
// that wrong answers in a row put before the next answer. Knows nothing of
// the prompt's window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/crypto_service.h"
#include "platform/event_loop.h"
#include "platform/text_service.h"

namespace engine {

// One check at a time; its answer comes back on the window thread.
class PasswordCheck {
 public:
  PasswordCheck(platform::EventLoop& loop, platform::CryptoService& crypto, platform::TextService& text);
  // Waits for a check under way; its answer is then never delivered.
  ~PasswordCheck();
  PasswordCheck(const PasswordCheck&) = delete;
  PasswordCheck& operator=(const PasswordCheck&) = delete;
  PasswordCheck(PasswordCheck&&) = delete;
  PasswordCheck& operator=(PasswordCheck&&) = delete;

  // Checks typed against stored (config::PasswordMatches) on a worker; done
  // runs on the window thread at a later yield or wait of the event loop,
  // with whether it matched. Ignored while a check runs.
  void Start(std::string stored, std::string typed, std::function<void(bool right)> done);
  // From Start until just before its done runs.
  [[nodiscard]] bool running() const { return running_; }

 private:
  platform::EventLoop& loop_;
  platform::CryptoService& crypto_;
  platform::TextService& text_;
  std::thread worker_;
  bool running_ = false;
  // Read by the posted answer on the window thread: false once this object
  // is gone, so an answer that outlived it does nothing.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// Wrong answers in a row: the first kFreeAnswers cost nothing, each one after
// them makes the next answer wait 1 s, then twice as long as the last wait,
// at most kLongestWaitMs. A right answer starts afresh. Times are the event
// loop's milliseconds.
class AnswerDelay {
 public:
  static constexpr int kFreeAnswers = 3;
  static constexpr std::uint64_t kLongestWaitMs = 30000;

  void Wrong(std::uint64_t now_ms);
  void Right();
  // How long the next answer still has to wait; 0 when it may come now.
  [[nodiscard]] std::uint64_t WaitLeft(std::uint64_t now_ms) const;

 private:
  int wrong_in_a_row_ = 0;
  std::uint64_t next_answer_ms_ = 0;
};

}  // namespace engine
