// The password check on a worker thread, and the wait after wrong answers.
#include "engine/password_check.h"

#include <algorithm>
#include <exception>

#include "config/password.h"

namespace engine {

PasswordCheck::PasswordCheck(platform::EventLoop& loop, platform::CryptoService& crypto,
                             platform::TextService& text)
    : loop_(loop), crypto_(crypto), text_(text) {}

PasswordCheck::~PasswordCheck() {
  *alive_ = false;
  if (worker_.joinable()) worker_.join();
}

void PasswordCheck::Start(std::string stored, std::string typed, std::function<void(bool right)> done) {
  if (running_) return;
  // The last worker has posted its answer and is ending, if not gone.
  if (worker_.joinable()) worker_.join();
  running_ = true;
  std::shared_ptr<platform::WorkerChannel> channel = loop_.OpenWorkerChannel();
  worker_ = std::thread([this, stored = std::move(stored), typed = std::move(typed), done = std::move(done),
                         channel = std::move(channel), alive = alive_]() mutable {
    bool right = false;
    try {
      right = config::PasswordMatches(crypto_, text_, stored, typed);
    } catch (const std::exception&) {
      // Out of memory or a failing service: not the password.
      right = false;
    }
    channel->Post([this, right, done = std::move(done), alive = std::move(alive)] {
      if (!*alive) return;
      running_ = false;
      done(right);
    });
    // Closing the channel last: a wait on the window thread ends with it.
    channel.reset();
  });
}

void AnswerDelay::Wrong(std::uint64_t now_ms) {
  ++wrong_in_a_row_;
  if (wrong_in_a_row_ < kFreeAnswers) return;
  const int doublings = std::min(wrong_in_a_row_ - kFreeAnswers, 5);
  next_answer_ms_ = now_ms + std::min<std::uint64_t>(1000ULL << doublings, kLongestWaitMs);
}

void AnswerDelay::Right() {
  wrong_in_a_row_ = 0;
  next_answer_ms_ = 0;
}

std::uint64_t AnswerDelay::WaitLeft(std::uint64_t now_ms) const {
  return next_answer_ms_ > now_ms ? next_answer_ms_ - now_ms : 0;
}

}  // namespace engine
