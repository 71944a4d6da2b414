#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The LZW-coded pixels of one GIF image: a clear code, the codes and the end
// code, packed least significant bit first and cut into sub-blocks of at most
// 255 bytes, each led by its length; the closing empty block is left to the
// caller. `minCodeSize` is the code size byte written before the data (2 to
// 8) and every pixel is below 1 << minCodeSize. Any GIF decoder reads it back
// exactly; it is smaller than plain greedy LZW because a string is sometimes
// cut short when the next one then reaches further.
std::vector<std::uint8_t> gifLzwEncode(std::span<const std::uint8_t> pixels, int minCodeSize);
