// Fuzzes the .ks7 reader: its header checks and its chunk loop. The first
// byte picks what the rest is:
//  - even: a whole .ks7 file, read with a fixed password;
//  - odd: a plaintext, encrypted, then changed as the next bytes say (one
//    byte flipped, the file cut, bytes appended, or nothing) and read back:
//    it must open and give the plaintext exactly when nothing was changed.
// The key derivation is one round, so runs go to the chunks, not PBKDF2.
#include <cstdint>
#include <cstdlib>

#include "engine/ks7_format.h"
#include "platform/fake/host_crypto.h"
#include "support/ks7_test_support.h"

namespace {

namespace ks7 = engine::ks7;
using ks7_test::Bytes;

class OneRoundKdf : public platform::fake::HostCrypto {
 public:
  std::vector<std::uint8_t> Pbkdf2Sha256(std::string_view password, const std::vector<std::uint8_t>& salt,
                                         std::uint32_t /*iterations*/, std::size_t length) override {
    return HostCrypto::Pbkdf2Sha256(password, salt, 1, length);
  }
};

ks7::Result Read(OneRoundKdf& crypto, const Bytes& file, Bytes& plain) {
  ks7_test::MemoryReader source(file, std::nullopt, 5000);
  ks7::Decryptor decryptor(crypto, source);
  ks7::Secret key;
  const ks7::Result opened =
      decryptor.Open([&](std::span<const std::uint8_t> salt, std::uint32_t iterations) {
        key = ks7::DeriveMasterKey(crypto, "pw", salt, iterations);
        return &key;
      });
  if (opened != ks7::Result::kSuccess) return opened;
  ks7_test::MemoryWriter out;
  const ks7::Result result = decryptor.DecryptTo(out);
  plain = out.written;
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  OneRoundKdf crypto;
  Bytes plain;
  if ((data[0] & 1) == 0) {
    Read(crypto, Bytes(data + 1, data + size), plain);
    return 0;
  }
  if (size < 4) return 0;
  const std::uint8_t how = data[1] % 4;
  const std::size_t where = (std::size_t{data[2]} << 8 | data[3]) * 7;
  const Bytes plaintext(data + 4, data + size);
  ks7::MasterKey master;
  master.key = ks7::DeriveMasterKey(crypto, "pw", master.salt, master.iterations);
  ks7_test::MemoryReader source(plaintext);
  ks7_test::MemoryWriter out;
  if (ks7::Encrypt(crypto, master, source, out) != ks7::Result::kSuccess) std::abort();
  Bytes file = out.written;
  bool changed = true;
  switch (how) {
    case 0:
      changed = false;
      break;
    case 1:
      file[where % file.size()] ^= static_cast<std::uint8_t>(1 + data[2] % 255);
      break;
    case 2:
      file.resize(where % file.size());
      break;
    default:
      file.insert(file.end(), data + 1, data + 1 + std::min<std::size_t>(size - 1, 1 + data[2] % 64));
      break;
  }
  const ks7::Result result = Read(crypto, file, plain);
  if ((result == ks7::Result::kSuccess) == changed) std::abort();
  if (!changed && plain != plaintext) std::abort();
  return 0;
}
