// Times .ks7 encryption and decryption of one file (OpenSSL, the host
// build's crypto) beside `cp` of the same file, each run a fresh process, as
// a user's run is: a process's heap is never the warm heap of a fifth run.
// Run by hand from the Release host build (build/host-release/bench/):
//   ks7_throughput [MiB = 1024] [folder = /dev/shm] [rounds = 8] [other build's ks7_throughput]
// Each round runs `cp`, this build's encryption and decryption and, when
// given, the other build's (the order of the two builds alternates; with
// an even count each runs first after `cp` as often), each timed from
// start to exit. Prints per column the median of the rounds and
// the median of the per-round ratios to `cp` (rounds share the machine's
// load), with and without the key derivation (600,000 iterations, which the
// child reports); checks each build's round trip once. ks7_before_after.sh
// builds the other build from an earlier commit.
//
// The child modes, one file in this process:
//   ks7_throughput encrypt SOURCE DESTINATION
//   ks7_throughput decrypt SOURCE DESTINATION
// print the key derivation's seconds and exit 0 on success.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "engine/ks7_format.h"
#include "platform/fake/host_crypto.h"

namespace {

namespace ks7 = engine::ks7;
using Clock = std::chrono::steady_clock;
constexpr const char* kPassword = "bench password";

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

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

// One file in this process; prints the key derivation's seconds.
int Child(const std::string& mode, const std::string& source, const std::string& destination) {
  platform::fake::HostCrypto crypto;
  double derive = 0;
  const auto derived = [&](std::span<const std::uint8_t> salt, std::uint32_t iterations) {
    const auto start = Clock::now();
    ks7::Secret key = ks7::DeriveMasterKey(crypto, kPassword, salt, iterations);
    derive = Since(start);
    return key;
  };
  PosixReader in(source);
  PosixWriter out(destination);
  ks7::Result result = ks7::Result::kCryptoFailure;
  if (mode == "encrypt") {
    ks7::MasterKey master;
    const auto salt = crypto.RandomBytes(ks7::kSaltSize);
    std::copy(salt.begin(), salt.end(), master.salt.begin());
    master.key = derived(master.salt, master.iterations);
    result = ks7::Encrypt(crypto, master, in, out);
  } else if (mode == "decrypt") {
    ks7::Decryptor decryptor(crypto, in);
    ks7::Secret key;
    result = decryptor.Open([&](std::span<const std::uint8_t> salt, std::uint32_t iterations) {
      key = derived(salt, iterations);
      return &key;
    });
    if (result == ks7::Result::kSuccess) result = decryptor.DecryptTo(out);
  }
  if (result != ks7::Result::kSuccess || out.Commit() != platform::FileWriter::Committed::kDone) {
    std::fprintf(stderr, "%s %s: result %d\n", mode.c_str(), source.c_str(), static_cast<int>(result));
    return 1;
  }
  std::printf("%.6f\n", derive);
  return 0;
}

// One fresh process from start to exit, and the key derivation it reported.
struct Run {
  double wall = 0;
  double derive = 0;
};

Run Timed(const std::string& command) {
  const auto start = Clock::now();
  FILE* child = ::popen(command.c_str(), "r");
  Run run;
  if (child == nullptr || std::fscanf(child, "%lf", &run.derive) == EOF) run.derive = 0;
  const int status = child == nullptr ? -1 : ::pclose(child);
  run.wall = Since(start);
  if (status != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
  return run;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string LoadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string one;
  std::string five;
  file >> one >> five;
  return one + " (1 min), " + five + " (5 min)";
}

bool SameAsPattern(const std::string& path, std::uint64_t size) {
  PosixReader back(path);
  if (back.Size() != size) return false;
  std::vector<std::uint8_t> got(1 << 20);
  std::vector<std::uint8_t> want(1 << 20);
  std::uint64_t at = 0;
  while (at < size) {
    const auto count = back.Read(got);
    if (!count.has_value() || *count == 0) return false;
    Pattern(at, want.data(), *count);
    if (!std::equal(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(*count), want.begin()))
      return false;
    at += *count;
  }
  return true;
}

// Reads the file twice. A page of a file in memory that is read for the
// second time moves to the kernel's active list, which costs several times
// the read itself (1.5 s instead of 0.5 s for `cp` of 1 GiB here); `cp`'s
// source has long been read twice, a .ks7 file just written has not. So
// every timed run reads a source that has been read twice before it.
void Settle(const std::string& path) {
  std::vector<std::uint8_t> block(1 << 20);
  for (int pass = 0; pass < 2; ++pass) {
    PosixReader in(path);
    for (;;) {
      const auto count = in.Read(block);
      if (!count.has_value() || *count == 0) break;
    }
  }
}

// One column of the table: a command's runs, one per round.
struct Column {
  std::string name;
  std::vector<Run> runs;
};

}  // namespace

int main(int argc, char** argv) {
  const std::string first = argc > 1 ? argv[1] : "";
  if (first == "encrypt" || first == "decrypt") {
    if (argc != 4) return 2;
    return Child(first, argv[2], argv[3]);
  }
  const std::uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
  const std::string folder = argc > 2 ? argv[2] : "/dev/shm";
  const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 8;
  const std::string other = argc > 4 ? argv[4] : "";
  const std::uint64_t size = mib << 20;
  const std::string source = folder + "/ks7-bench.bin";
  const auto quoted = [](const std::string& text) { return "'" + text + "'"; };
  const auto remove = [](const std::string& path) { ::unlink(path.c_str()); };

  {
    std::vector<std::uint8_t> block(1 << 20);
    FILE* out = std::fopen(source.c_str(), "wb");
    for (std::uint64_t at = 0; out != nullptr && at < size; at += block.size()) {
      const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), size - at));
      Pattern(at, block.data(), count);
      std::fwrite(block.data(), 1, count, out);
    }
    if (out == nullptr || std::fclose(out) != 0) return 1;
  }
  std::printf("file: %.2f GiB in %s, %d rounds, each run a fresh process\n",
              static_cast<double>(size) / (1 << 30), folder.c_str(), rounds);
  std::printf("load average at the start: %s\n", LoadAverage().c_str());

  // This build first, then the other one, if any.
  std::vector<std::string> builds = {argv[0]};
  if (!other.empty()) builds.push_back(other);
  Column cp{"cp", {}};
  std::vector<Column> encrypt;
  std::vector<Column> decrypt;
  for (std::size_t b = 0; b < builds.size(); ++b) {
    const std::string label = b == 0 ? "" : " (other build)";
    encrypt.push_back({"encrypt" + label, {}});
    decrypt.push_back({"decrypt" + label, {}});
  }
  const std::string copy = source + ".copy";
  const std::string encrypted = source + ".ks7";
  const std::string decrypted = source + ".out";
  bool same = true;
  for (int round = 0; round < rounds; ++round) {
    Settle(source);
    cp.runs.push_back(Timed("cp " + quoted(source) + " " + quoted(copy)));
    remove(copy);
    for (std::size_t i = 0; i < builds.size(); ++i) {
      const std::size_t b = (i + static_cast<std::size_t>(round)) % builds.size();
      const std::string tool = quoted(builds[b]);
      encrypt[b].runs.push_back(Timed(tool + " encrypt " + quoted(source) + " " + quoted(encrypted)));
      Settle(encrypted);
      decrypt[b].runs.push_back(Timed(tool + " decrypt " + quoted(encrypted) + " " + quoted(decrypted)));
      if (round == 0) same = SameAsPattern(decrypted, size) && same;
      remove(encrypted);
      remove(decrypted);
    }
  }
  remove(source);
  std::printf("load average at the end:   %s\n\n", LoadAverage().c_str());

  std::printf("%-24s %26s %26s\n", "", "whole process", "without key derivation");
  std::printf("%-24s %13s %12s %13s %12s\n", "", "median s", "x cp", "median s", "x cp");
  const auto line = [&](const Column& column) {
    std::vector<double> whole;
    std::vector<double> work;
    std::vector<double> whole_ratio;
    std::vector<double> work_ratio;
    for (std::size_t r = 0; r < column.runs.size(); ++r) {
      const Run& run = column.runs[r];
      whole.push_back(run.wall);
      work.push_back(run.wall - run.derive);
      whole_ratio.push_back(run.wall / cp.runs[r].wall);
      work_ratio.push_back((run.wall - run.derive) / cp.runs[r].wall);
    }
    std::printf("%-24s %13.3f %12.3f %13.3f %12.3f\n", column.name.c_str(), Median(whole),
                Median(whole_ratio), Median(work), Median(work_ratio));
  };
  line(cp);
  for (std::size_t b = 0; b < builds.size(); ++b) {
    line(encrypt[b]);
    line(decrypt[b]);
  }
  std::printf("\nround trips: %s\n", same ? "identical" : "DIFFERENT");
  return same ? 0 : 1;
}
