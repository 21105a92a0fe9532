// The file-encryption component: one worker thread per file, reporting
// through the event loop's worker channel.
#include "engine/file_encryption.h"

#include <algorithm>
#include <memory>
#include <thread>

#include "ui/runtime_error.h"

namespace engine {

using ks7::Result;

std::string_view ResultMessage(Result result, bool decrypting) {
  switch (result) {
    case Result::kSuccess:
      return decrypting ? "The file was decrypted." : "The file was encrypted.";
    case Result::kAborted:
      return "Aborted by the user.";
    case Result::kSourceUnreadable:
      return "The file cannot be read.";
    case Result::kDestinationExists:
      return "The destination file already exists.";
    case Result::kNotKs7:
      return "The file is not an encrypted .ks7 file.";
    case Result::kUnsupported:
      return "The file was encrypted by a newer version.";
    case Result::kWrongPassword:
      return "Wrong password.";
    case Result::kDamaged:
      return "The encrypted file is damaged.";
    case Result::kWriteFailed:
      return "The destination cannot be written (disk full?).";
    case Result::kCryptoFailure:
      return "The system's cryptography failed.";
  }
  return "Unknown result.";
}

FileEncryption::FileEncryption(platform::EventLoop& loop, platform::FileService& files,
                               platform::CryptoService& crypto)
    : loop_(loop), files_(files), crypto_(crypto) {}

void FileEncryption::PresetMode(std::int32_t mode) {
  if (running_) throw ui::RuntimeError("The encryption component is busy");
  mode_ = mode;
  aborted_ = false;
  ForgetKeys();
}

void FileEncryption::PresetFlag(bool flag) {
  if (running_) throw ui::RuntimeError("The encryption component is busy");
  share_key_ = flag;
}

void FileEncryption::EncryptFile(const std::string& source, const std::string& destination,
                                 const std::string& password) {
  Run(Job{false, source, destination, password});
}

void FileEncryption::DecryptFile(const std::string& source, const std::string& destination,
                                 const std::string& password) {
  Run(Job{true, source, destination, password});
}

void FileEncryption::Abort() {
  aborted_ = true;
}

// ---- The run of one file ------------------------------------------------------------

void FileEncryption::Run(const Job& job) {
  if (running_) throw ui::RuntimeError("The encryption component is busy");
  struct Running {
    explicit Running(bool& running) : flag(running) { flag = true; }
    bool& flag;
    ~Running() { flag = false; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
    Running(Running&&) = delete;
    Running& operator=(Running&&) = delete;
  } running(running_);

  // Shared with the posted callbacks, which may run after this call has
  // left (when a handler's failure ends the wait early).
  const auto finished = std::make_shared<bool>(false);
  std::shared_ptr<platform::WorkerChannel> channel = loop_.OpenWorkerChannel();
  std::thread worker([this, &job, channel = std::move(channel), finished]() mutable {
    std::int32_t shown = -1;
    const auto report = [&](std::int32_t percent) {
      if (percent == shown) return;
      shown = percent;
      channel->Post([this, percent] {
        if (on_progress) on_progress(percent);
      });
    };
    report(0);
    const auto advanced = [&](std::uint64_t done, std::uint64_t total) {
      report(ks7::PercentDone(done, total));
    };
    Result result = Result::kCryptoFailure;
    try {
      result = Process(job, advanced);
    } catch (const std::exception&) {
      // Out of memory for the buffers, or a failing service.
      result = Result::kCryptoFailure;
    }
    if (result == Result::kSuccess) report(100);
    const std::string message(ResultMessage(result, job.decrypting));
    channel->Post([this, finished, result, message] {
      *finished = true;
      if (on_result) on_result(static_cast<std::int32_t>(result), message);
    });
    // Closing the channel last: a wait on the window thread ends with it.
    channel.reset();
  });
  struct Join {
    explicit Join(std::thread& worker) : thread(worker) {}
    std::thread& thread;
    ~Join() { thread.join(); }
    Join(const Join&) = delete;
    Join& operator=(const Join&) = delete;
    Join(Join&&) = delete;
    Join& operator=(Join&&) = delete;
  } join(worker);
  while (!*finished) loop_.WaitForEvents();
}

Result FileEncryption::Process(const Job& job,
                               const std::function<void(std::uint64_t, std::uint64_t)>& advanced) {
  if (aborted_) return Result::kAborted;
  if (mode_ != kModeKs7) return Result::kUnsupported;
  // An existing destination is reported and left alone, whatever it is.
  if (files_.Kind(job.destination) != platform::FileKind::kMissing) return Result::kDestinationExists;
  const std::unique_ptr<platform::FileReader> source = files_.OpenForReading(job.source);
  if (source == nullptr) return Result::kSourceUnreadable;
  const ks7::Progress progress{[this] { return aborted_.load(); }, advanced};
  KeepKeysFor(job.password);
  return job.decrypting ? Decrypt(job, *source, progress) : Encrypt(job, *source, progress);
}

namespace {

Result Committed(platform::FileWriter& out) {
  switch (out.Commit()) {
    case platform::FileWriter::Committed::kDone:
      return Result::kSuccess;
    case platform::FileWriter::Committed::kDestinationExists:
      return Result::kDestinationExists;
    case platform::FileWriter::Committed::kFailed:
      break;
  }
  return Result::kWriteFailed;
}

}  // namespace

Result FileEncryption::Encrypt(const Job& job, platform::FileReader& source, const ks7::Progress& progress) {
  // One derivation for the run: the salt is shared, the file ids keep every
  // file's key and nonces apart.
  if (!encryption_key_.has_value() || !share_key_) {
    encryption_key_.reset();
    ks7::MasterKey master;
    const std::vector<std::uint8_t> salt = crypto_.RandomBytes(ks7::kSaltSize);
    if (salt.size() != ks7::kSaltSize) return Result::kCryptoFailure;
    std::copy(salt.begin(), salt.end(), master.salt.begin());
    master.key = ks7::DeriveMasterKey(crypto_, job.password, master.salt, master.iterations);
    if (master.key.empty()) return Result::kCryptoFailure;
    encryption_key_ = std::move(master);
  }
  const std::unique_ptr<platform::FileWriter> out = files_.CreateBeside(job.destination);
  if (out == nullptr) return Result::kWriteFailed;
  const Result result = ks7::Encrypt(crypto_, *encryption_key_, source, *out, progress);
  return result == Result::kSuccess ? Committed(*out) : result;
}

Result FileEncryption::Decrypt(const Job& job, platform::FileReader& source, const ks7::Progress& progress) {
  // Keys by salt and iterations for the run, failures included, so a
  // wrong password on a folder of files costs one derivation.
  const ks7::KeyLookup keys = [&](std::span<const std::uint8_t> salt,
                                  std::uint32_t iterations) -> const ks7::Secret* {
    const auto same = [&](const CachedKey& cached) {
      return cached.iterations == iterations && std::equal(salt.begin(), salt.end(), cached.salt.begin());
    };
    auto found = std::find_if(decryption_keys_.begin(), decryption_keys_.end(), same);
    if (found == decryption_keys_.end()) {
      CachedKey cached;
      std::copy(salt.begin(), salt.end(), cached.salt.begin());
      cached.iterations = iterations;
      cached.key = ks7::DeriveMasterKey(crypto_, job.password, salt, iterations);
      decryption_keys_.push_back(std::move(cached));
      found = decryption_keys_.end() - 1;
    }
    return found->key.empty() ? nullptr : &found->key;
  };
  ks7::Decryptor decryptor(crypto_, source);
  if (const Result opened = decryptor.Open(keys); opened != Result::kSuccess) return opened;
  const std::unique_ptr<platform::FileWriter> out = files_.CreateBeside(job.destination);
  if (out == nullptr) return Result::kWriteFailed;
  const Result result = decryptor.DecryptTo(*out, progress);
  return result == Result::kSuccess ? Committed(*out) : result;
}

void FileEncryption::KeepKeysFor(const std::string& password) {
  const std::span<const std::uint8_t> kept = keys_password_.bytes();
  if (std::equal(kept.begin(), kept.end(), password.begin(), password.end(),
                 [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); }) &&
      !kept.empty()) {
    return;
  }
  ForgetKeys();
  keys_password_ = ks7::Secret(std::vector<std::uint8_t>(password.begin(), password.end()));
}

void FileEncryption::ForgetKeys() {
  keys_password_ = ks7::Secret();
  encryption_key_.reset();
  decryption_keys_.clear();
}

}  // namespace engine
