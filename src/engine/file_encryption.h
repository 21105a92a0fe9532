// The file-encryption component the main window hosts as RSPEncrypt1: its
// operations (PresetMode, PresetFlag, EncryptFile, DecryptFile, Abort) and
// its events (progress, result), and the component itself, which writes and
// reads .ks7 files on a worker thread while the window thread keeps running
// events. No windows of its own.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ks7_format.h"
#include "platform/crypto_service.h"
#include "platform/event_loop.h"
#include "platform/file_service.h"

namespace engine {

// What the Encryption tab drives; tests stand in a recording component.
class EncryptionComponent {
 public:
  virtual ~EncryptionComponent() = default;

  // Starts a run (the tab passes 4: the .ks7 format).
  virtual void PresetMode(std::int32_t mode) = 0;
  // Set once per run, after PresetMode (the tab sets true).
  virtual void PresetFlag(bool flag) = 0;
  // Each returns when that file is done, raising the events meanwhile.
  virtual void EncryptFile(const std::string& source, const std::string& destination,
                           const std::string& password) = 0;
  virtual void DecryptFile(const std::string& source, const std::string& destination,
                           const std::string& password) = 0;
  // Stops the file in progress soon; its call then returns.
  virtual void Abort() = 0;

  // Raised on the window thread while EncryptFile or DecryptFile runs.
  std::function<void(std::int32_t percent)> on_progress;
  std::function<void(std::int32_t code, const std::string& message)> on_result;
};

// The text reported with each result code.
std::string_view ResultMessage(ks7::Result result, bool decrypting);

class FileEncryption : public EncryptionComponent {
 public:
  // The one mode: .ks7 version 1.
  static constexpr std::int32_t kModeKs7 = 4;

  FileEncryption(platform::EventLoop& loop, platform::FileService& files, platform::CryptoService& crypto);

  // PresetMode starts a run: the keys of the last run are wiped, an Abort
  // of the last run is forgotten. A mode other than 4 makes the run's files
  // fail as unsupported.
  void PresetMode(std::int32_t mode) override;
  // True: every file of the run is encrypted under one key derivation (one
  // salt), each with its own file id. False: each file derives its own.
  void PresetFlag(bool flag) override;
  // Writes source as destination (.ks7), or the reverse. The source is
  // always kept; an existing destination is never replaced. Progress goes
  // from 0 and reaches 100 only once the destination is in place; then one
  // result. A second call while one runs fails with ui::RuntimeError.
  void EncryptFile(const std::string& source, const std::string& destination,
                   const std::string& password) override;
  void DecryptFile(const std::string& source, const std::string& destination,
                   const std::string& password) override;
  // Stops the file in progress within one chunk, and every later file of
  // the same run: a run the user aborted does not go on with the next file.
  // Safe from any thread.
  void Abort() override;

 private:
  struct Job {
    bool decrypting = false;
    const std::string& source;
    const std::string& destination;
    const std::string& password;
  };
  struct CachedKey {
    std::array<std::uint8_t, ks7::kSaltSize> salt{};
    std::uint32_t iterations = 0;
    ks7::Secret key;  // empty: the derivation failed
  };

  // Runs the job on a worker and the window thread's events until the
  // worker's last event has been raised.
  void Run(const Job& job);
  // ---- On the worker thread.
  ks7::Result Process(const Job& job, const std::function<void(std::uint64_t, std::uint64_t)>& advanced);
  ks7::Result Encrypt(const Job& job, platform::FileReader& source, const ks7::Progress& progress);
  ks7::Result Decrypt(const Job& job, platform::FileReader& source, const ks7::Progress& progress);
  // The run's keys are for one password; another password starts afresh.
  void KeepKeysFor(const std::string& password);
  void ForgetKeys();

  platform::EventLoop& loop_;
  platform::FileService& files_;
  platform::CryptoService& crypto_;
  std::int32_t mode_ = kModeKs7;
  bool share_key_ = true;
  bool running_ = false;
  std::atomic<bool> aborted_{false};
  // The run's keys. Touched only by the worker while a file runs, and by
  // the window thread between files.
  ks7::Secret keys_password_;
  std::optional<ks7::MasterKey> encryption_key_;
  std::vector<CachedKey> decryption_keys_;
};

}  // namespace engine
