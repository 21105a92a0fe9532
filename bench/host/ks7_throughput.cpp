// Encrypts and decrypts one file with the .ks7 format (OpenSSL, the host
// build's crypto) and times it side by side with `cp` and with `age` on the
// same file. Run by hand from a Release host build:
//   ks7_throughput [MiB = 1024] [folder = /dev/shm] [runs = 3]
// Prints the best of the runs for each (wall time, and the processor time of
// this process or of the child program, which a busy machine does not skew)
// and the ratio to `cp`; checks that the decrypted file is the original. Needs `age` and `age-keygen` on the
// PATH for their column (skipped when missing). For sizes past memory, give a folder on a disk: the source is
// deleted after encryption and the decrypted file is checked against the generator, so at most two copies of
// the file exist at a time.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "engine/ks7_format.h"
#include "platform/fake/host_crypto.h"

namespace {

namespace ks7 = engine::ks7;
using Clock = std::chrono::steady_clock;

// The file's bytes: a pattern that differs in every 64 KiB.
void Pattern(std::uint64_t offset, std::uint8_t* out, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint64_t at = offset + i;
    out[i] = static_cast<std::uint8_t>((at * 2654435761U) >> 13 ^ (at >> 16));
  }
}

class PosixReader : public platform::FileReader {
 public:
  explicit PosixReader(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY)) {
    struct stat info {};
    if (fd_ >= 0 && ::fstat(fd_, &info) == 0) size_ = static_cast<std::uint64_t>(info.st_size);
  }
  ~PosixReader() override {
    if (fd_ >= 0) ::close(fd_);
  }
  PosixReader(const PosixReader&) = delete;
  PosixReader& operator=(const PosixReader&) = delete;
  PosixReader(PosixReader&&) = delete;
  PosixReader& operator=(PosixReader&&) = delete;
  [[nodiscard]] std::uint64_t Size() const override { return size_; }
  std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) override {
    const ssize_t got = ::read(fd_, buffer.data(), buffer.size());
    if (got < 0) return std::nullopt;
    return static_cast<std::size_t>(got);
  }

 private:
  int fd_;
  std::uint64_t size_ = 0;
};

// As the product writes: a new file beside the destination, flushed and
// renamed into place without replacing at the end, removed otherwise.
class PosixWriter : public platform::FileWriter {
 public:
  explicit PosixWriter(std::string destination)
      : destination_(std::move(destination)),
        temporary_(destination_ + ".~tmp"),
        fd_(::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600)) {}
  ~PosixWriter() override {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(temporary_.c_str());
  }
  PosixWriter(const PosixWriter&) = delete;
  PosixWriter& operator=(const PosixWriter&) = delete;
  PosixWriter(PosixWriter&&) = delete;
  PosixWriter& operator=(PosixWriter&&) = delete;
  bool Write(std::span<const std::uint8_t> bytes) override {
    while (!bytes.empty()) {
      const ssize_t wrote = ::write(fd_, bytes.data(), bytes.size());
      if (wrote <= 0) return false;
      bytes = bytes.subspan(static_cast<std::size_t>(wrote));
    }
    return true;
  }
  Committed Commit() override {
    if (::fdatasync(fd_) != 0) return Committed::kFailed;
    // link() never replaces: the atomic "rename without replace".
    if (::link(temporary_.c_str(), destination_.c_str()) != 0)
      return errno == EEXIST ? Committed::kDestinationExists : Committed::kFailed;
    ::unlink(temporary_.c_str());
    committed_ = true;
    return Committed::kDone;
  }

 private:
  std::string destination_;
  std::string temporary_;
  int fd_;
  bool committed_ = false;
};

// Processor seconds (user and system) of this process and of its children.
double ProcessorSeconds() {
  double total = 0;
  for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    rusage usage{};
    ::getrusage(who, &usage);
    total += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
             static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  }
  return total;
}

struct Timing {
  double wall = 0;
  double processor = 0;
};

Timing Seconds(const std::function<bool()>& run, int runs, const std::function<void()>& between) {
  Timing best{1e30, 1e30};
  for (int i = 0; i < runs; ++i) {
    between();
    const double processor = ProcessorSeconds();
    const auto start = Clock::now();
    if (!run()) {
      std::fprintf(stderr, "a run failed\n");
      std::exit(1);
    }
    best.wall = std::min(best.wall, std::chrono::duration<double>(Clock::now() - start).count());
    best.processor = std::min(best.processor, ProcessorSeconds() - processor);
  }
  return best;
}

bool Shell(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
  const std::string folder = argc > 2 ? argv[2] : "/dev/shm";
  const int runs = argc > 3 ? std::atoi(argv[3]) : 3;
  const std::uint64_t size = mib << 20;
  const std::string source = folder + "/ks7-bench.bin";
  const std::string encrypted = source + ".ks7";
  const std::string decrypted = source + ".out";
  const std::string copy = source + ".copy";
  const auto remove = [](const std::string& path) { ::unlink(path.c_str()); };

  {
    std::vector<std::uint8_t> block(1 << 20);
    FILE* out = std::fopen(source.c_str(), "wb");
    for (std::uint64_t at = 0; out != nullptr && at < size; at += block.size()) {
      Pattern(at, block.data(), block.size());
      std::fwrite(block.data(), 1, block.size(), out);
    }
    if (out == nullptr || std::fclose(out) != 0) return 1;
  }
  const double gib = static_cast<double>(size) / (1 << 30);
  std::printf("file: %.2f GiB in %s, best of %d\n", gib, folder.c_str(), runs);

  platform::fake::HostCrypto crypto;
  ks7::MasterKey master;
  const auto salt = crypto.RandomBytes(16);
  std::copy(salt.begin(), salt.end(), master.salt.begin());
  const auto derive_start = Clock::now();
  master.key = ks7::DeriveMasterKey(crypto, "bench password", master.salt, master.iterations);
  const double derive = std::chrono::duration<double>(Clock::now() - derive_start).count();

  const bool small = size <= (std::uint64_t{8} << 30) / 3;
  Timing cp;
  if (small) {
    cp = Seconds([&] { return Shell("cp '" + source + "' '" + copy + "'"); }, runs, [&] { remove(copy); });
    remove(copy);
  }
  const Timing encrypt = Seconds(
      [&] {
        PosixReader in(source);
        PosixWriter out(encrypted);
        return ks7::Encrypt(crypto, master, in, out) == ks7::Result::kSuccess &&
               out.Commit() == platform::FileWriter::Committed::kDone;
      },
      runs, [&] { remove(encrypted); });
  Timing age_encrypt;
  Timing age_decrypt;
  const std::string key = folder + "/ks7-bench.agekey";
  if (small && Shell("age-keygen -o '" + key + "' 2>/dev/null")) {
    age_encrypt =
        Seconds([&] { return Shell("age -e -i '" + key + "' -o '" + source + ".age' '" + source + "'"); },
                runs, [&] { remove(source + ".age"); });
    age_decrypt =
        Seconds([&] { return Shell("age -d -i '" + key + "' -o '" + copy + "' '" + source + ".age'"); }, runs,
                [&] { remove(copy); });
    remove(source + ".age");
    remove(copy);
    remove(key);
  }
  if (!small) remove(source);
  const Timing decrypt = Seconds(
      [&] {
        PosixReader in(encrypted);
        ks7::Decryptor decryptor(crypto, in);
        if (decryptor.Open([&](auto, std::uint32_t) { return &master.key; }) != ks7::Result::kSuccess)
          return false;
        PosixWriter out(decrypted);
        return decryptor.DecryptTo(out) == ks7::Result::kSuccess &&
               out.Commit() == platform::FileWriter::Committed::kDone;
      },
      runs, [&] { remove(decrypted); });

  // The round trip gives the original bytes.
  bool same = true;
  {
    PosixReader back(decrypted);
    std::vector<std::uint8_t> got(1 << 20);
    std::vector<std::uint8_t> want(1 << 20);
    std::uint64_t at = 0;
    same = back.Size() == size;
    while (same && at < size) {
      const auto count = back.Read(got);
      if (!count.has_value() || *count == 0) break;
      Pattern(at, want.data(), *count);
      same = std::equal(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(*count), want.begin());
      at += *count;
    }
    same = same && at == size;
  }
  remove(source);
  remove(encrypted);
  remove(decrypted);

  const auto line = [&](const char* what, const Timing& time) {
    if (time.wall <= 0) return;
    std::printf("%-26s %7.3f s %6.0f MiB/s", what, time.wall, static_cast<double>(mib) / time.wall);
    if (cp.wall > 0) std::printf(" %4.0f %% of cp", 100.0 * cp.wall / time.wall);
    std::printf(" | processor %6.3f s", time.processor);
    if (cp.processor > 0) std::printf(" %4.0f %% of cp", 100.0 * cp.processor / time.processor);
    std::printf("\n");
  };
  std::printf("%-26s %7.3f s\n", "key derivation (600,000)", derive);
  line("cp", cp);
  line(".ks7 encrypt", encrypt);
  line(".ks7 decrypt", decrypt);
  line("age encrypt (X25519 key)", age_encrypt);
  line("age decrypt (X25519 key)", age_decrypt);
  std::printf("round trip: %s\n", same ? "identical" : "DIFFERENT");
  return same ? 0 : 1;
}
