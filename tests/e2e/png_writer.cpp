// PNG encoding for the end-to-end screenshots (see png_writer.h).
#include "e2e/png_writer.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace e2e {
namespace {

// ---- Checksums -------------------------------------------------------------

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320U ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::uint32_t Adler32(const std::vector<std::uint8_t>& data) {
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (std::uint8_t byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

// ---- Deflate with the fixed Huffman codes ----------------------------------

class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}

  // Plain fields go least significant bit first.
  void Bits(std::uint32_t value, int count) {
    buffer_ |= value << bit_count_;
    bit_count_ += count;
    while (bit_count_ >= 8) {
      out_.push_back(static_cast<std::uint8_t>(buffer_ & 0xFF));
      buffer_ >>= 8;
      bit_count_ -= 8;
    }
  }
  // Huffman codes go most significant bit first.
  void Code(std::uint32_t code, int length) {
    std::uint32_t reversed = 0;
    for (int i = 0; i < length; ++i) reversed |= ((code >> i) & 1U) << (length - 1 - i);
    Bits(reversed, length);
  }
  void Flush() {
    if (bit_count_ > 0) out_.push_back(static_cast<std::uint8_t>(buffer_ & 0xFF));
    buffer_ = 0;
    bit_count_ = 0;
  }

 private:
  std::vector<std::uint8_t>& out_;
  std::uint32_t buffer_ = 0;
  int bit_count_ = 0;
};

constexpr std::array<int, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistanceBase = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                               33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                               1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistanceExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr int kWindowSize = 32768;
constexpr int kMaxMatch = 258;
constexpr int kHashBits = 16;

void Symbol(BitWriter& bits, int symbol) {
  if (symbol < 144) {
    bits.Code(0x30 + symbol, 8);
  } else if (symbol < 256) {
    bits.Code(0x190 + symbol - 144, 9);
  } else if (symbol < 280) {
    bits.Code(symbol - 256, 7);
  } else {
    bits.Code(0xC0 + symbol - 280, 8);
  }
}

template <std::size_t N>
int CodeIndex(const std::array<int, N>& bases, int value) {
  int index = static_cast<int>(N) - 1;
  while (bases[index] > value) --index;
  return index;
}

void Match(BitWriter& bits, int length, int distance) {
  const int length_code = CodeIndex(kLengthBase, length);
  Symbol(bits, 257 + length_code);
  bits.Bits(length - kLengthBase[length_code], kLengthExtra[length_code]);
  const int distance_code = CodeIndex(kDistanceBase, distance);
  bits.Code(distance_code, 5);
  bits.Bits(distance - kDistanceBase[distance_code], kDistanceExtra[distance_code]);
}

std::uint32_t Hash3(const std::uint8_t* p) {
  const std::uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
  return (v * 2654435761U) >> (32 - kHashBits);
}

// A zlib stream of one final fixed-Huffman block.
std::vector<std::uint8_t> ZlibCompress(const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> out = {0x78, 0x01};
  BitWriter bits(out);
  bits.Bits(1, 1);  // final block
  bits.Bits(1, 2);  // fixed Huffman codes
  std::vector<int> head(std::size_t{1} << kHashBits, -1);
  const int size = static_cast<int>(data.size());
  int pos = 0;
  while (pos < size) {
    int best = 0;
    int distance = 0;
    if (pos + 3 <= size) {
      const std::uint32_t h = Hash3(&data[pos]);
      const int candidate = head[h];
      head[h] = pos;
      if (candidate >= 0 && pos - candidate <= kWindowSize) {
        const int limit = std::min(kMaxMatch, size - pos);
        while (best < limit && data[candidate + best] == data[pos + best]) ++best;
        distance = pos - candidate;
      }
    }
    if (best >= 3) {
      Match(bits, best, distance);
      for (int i = pos + 1; i < pos + best && i + 3 <= size; ++i) head[Hash3(&data[i])] = i;
      pos += best;
    } else {
      Symbol(bits, data[pos]);
      ++pos;
    }
  }
  Symbol(bits, 256);
  bits.Flush();
  const std::uint32_t adler = Adler32(data);
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(adler >> shift));
  return out;
}

// ---- PNG chunks ------------------------------------------------------------

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void Chunk(std::vector<std::uint8_t>& png, std::string_view type, const std::vector<std::uint8_t>& data) {
  PutU32(png, static_cast<std::uint32_t>(data.size()));
  const std::size_t type_at = png.size();
  png.insert(png.end(), type.begin(), type.end());
  png.insert(png.end(), data.begin(), data.end());
  PutU32(png, Crc32(&png[type_at], png.size() - type_at));
}

}  // namespace

std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<std::uint8_t>& rgb) {
  const std::size_t row_bytes = static_cast<std::size_t>(width) * 3;
  std::vector<std::uint8_t> raw;
  raw.reserve((row_bytes + 1) * height);
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // filter: none
    const auto row = rgb.begin() + static_cast<std::ptrdiff_t>(row_bytes * y);
    raw.insert(raw.end(), row, row + static_cast<std::ptrdiff_t>(row_bytes));
  }

  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  PutU32(header, static_cast<std::uint32_t>(width));
  PutU32(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, deflate, no interlace
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", ZlibCompress(raw));
  Chunk(png, "IEND", {});
  return png;
}

}  // namespace e2e
