#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <span>
#include <vector>

// The LZW-coded pixels of one GIF image: a clear code, the codes and the end
// code, packed least significant bit first and cut into sub-blocks of at most
// 255 bytes, each led by its length; the closing empty block is left to the
// caller. `minCodeSize` is the code size byte written before the data (2 to
// 8) and every pixel is below 1 << minCodeSize. Any GIF decoder reads it back
// exactly; it is smaller than plain greedy LZW because a string is sometimes
// cut short when the next one then reaches further. With `weighFull`, a full
// string table is kept while it codes better than a fresh one would, which
// makes smooth artwork smaller for about twice the work; without it, a full
// table is cleared.
std::vector<std::uint8_t> gifLzwEncode(std::span<const std::uint8_t> pixels, int minCodeSize, bool weighFull = true);

// Other palette entries a pixel may be coded as, for shorter codes at a small
// colour error: pixel i may take the first count[i] entries of others[i],
// each below 1 << minCodeSize like the pixels.
struct LzwLeeway
{
    static constexpr int kMost = 3;
    std::vector<std::array<std::uint8_t, kMost>> others;
    std::vector<std::uint8_t> count;
    // What coding the pixels from `from` on as `coded` adds to the picture's
    // error, and how much they may add in all. A coding that would add more
    // is given up as soon as it does, which spares the rest of its work.
    std::function<double(std::size_t from, std::span<const std::uint8_t> coded)> cost;
    double budget = std::numeric_limits<double>::infinity();
};

// As above, but a pixel may be coded as one of its leeway's entries when
// that lets the current string run on. `coded` receives every pixel as coded,
// which is what a decoder reads back. Of the codings tried, the smallest
// within the leeway's budget is kept; when none is, the result is empty.
std::vector<std::uint8_t> gifLzwEncode(std::span<const std::uint8_t> pixels, int minCodeSize, const LzwLeeway &leeway,
                                       std::vector<std::uint8_t> &coded, bool weighFull = true);
