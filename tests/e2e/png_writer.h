// A small PNG encoder for the end-to-end screenshots: 8-bit RGB, one IDAT
// chunk, deflate with fixed Huffman codes and a single-candidate LZ77 search,
// which shrinks screens of flat colours well. No Windows headers.
#pragma once

#include <cstdint>
#include <vector>

namespace e2e {

// rgb holds height rows of width pixels, 3 bytes each, top row first.
std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<std::uint8_t>& rgb);

}  // namespace e2e
