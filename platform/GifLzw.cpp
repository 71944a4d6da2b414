#include "platform/GifLzw.h"

#include <algorithm>

namespace {

constexpr int kMaxCodes = 4096; // 12-bit codes
constexpr int kMaxWidth = 12;

// Codes packed least significant bit first into length-led sub-blocks.
class BlockWriter
{
public:
    explicit BlockWriter(std::vector<std::uint8_t> &out)
        : m_out(out)
    { }

    void put(int code, int width)
    {
        m_bits |= std::uint32_t(code) << m_count;
        m_count += width;
        while (m_count >= 8) {
            byte(std::uint8_t(m_bits & 0xFF));
            m_bits >>= 8;
            m_count -= 8;
        }
    }

    void finish()
    {
        if (m_count > 0)
            byte(std::uint8_t(m_bits & 0xFF));
        m_bits = 0;
        m_count = 0;
    }

private:
    void byte(std::uint8_t value)
    {
        if (m_out.empty() || m_out[m_blockAt] == 255) {
            m_blockAt = m_out.size();
            m_out.push_back(0);
        }
        m_out.push_back(value);
        ++m_out[m_blockAt];
    }

    std::vector<std::uint8_t> &m_out;
    std::size_t m_blockAt = 0;
    std::uint32_t m_bits = 0;
    int m_count = 0;
};

// The decoder's string table as a trie: a string's code and one more pixel
// give the longer string's code, or 0 (no string code is that small).
class Dictionary
{
public:
    explicit Dictionary(int minCodeSize)
        : m_rootBits(minCodeSize)
        , m_clear(1 << minCodeSize)
        , m_first(m_clear + 2)
        , m_next(m_first)
        , m_width(minCodeSize + 1)
        , m_child(std::size_t(kMaxCodes) << minCodeSize, 0)
        , m_prefix(kMaxCodes)
        , m_last(kMaxCodes)
        , m_length(kMaxCodes)
    { }

    int endCode() const { return m_clear + 1; }
    std::size_t longest() const { return m_longest; }
    bool full() const { return m_next == kMaxCodes; }

    int child(int code, std::uint8_t pixel) const { return m_child[(std::size_t(code) << m_rootBits) | pixel]; }

    // What the decoder adds after reading the next code: the string just
    // written and the pixel after it. When that string is already known (a
    // cut-short match) it keeps its first code; the copy is never used.
    void add(int code, std::uint8_t pixel)
    {
        if (full())
            return;
        std::uint16_t &slot = m_child[(std::size_t(code) << m_rootBits) | pixel];
        if (slot == 0)
            slot = std::uint16_t(m_next);
        m_prefix[std::size_t(m_next)] = std::uint16_t(code);
        m_last[std::size_t(m_next)] = pixel;
        const std::size_t length = code < m_clear ? 2 : m_length[std::size_t(code)] + 1;
        m_length[std::size_t(m_next)] = std::uint16_t(length);
        m_longest = std::max(m_longest, length);
        ++m_next;
    }

    // Codes widen when the decoder's table reaches the current width's limit;
    // the decoder adds one entry a code behind us, hence the check after.
    void write(BlockWriter &out, int code)
    {
        out.put(code, m_width);
        if (m_next >= (1 << m_width) && m_width < kMaxWidth)
            ++m_width;
    }

    void clear(BlockWriter &out)
    {
        out.put(m_clear, m_width);
        // Undoing only the entries set is far cheaper than wiping the trie.
        for (int code = m_first; code < m_next; ++code) {
            std::uint16_t &slot
                = m_child[(std::size_t(m_prefix[std::size_t(code)]) << m_rootBits) | m_last[std::size_t(code)]];
            if (slot == code)
                slot = 0;
        }
        m_next = m_first;
        m_width = m_rootBits + 1;
        m_longest = 1;
    }

private:
    int m_rootBits;
    int m_clear;
    int m_first;
    int m_next;
    int m_width;
    std::vector<std::uint16_t> m_child;
    std::vector<std::uint16_t> m_prefix;
    std::vector<std::uint8_t> m_last;
    std::vector<std::uint16_t> m_length;
    std::size_t m_longest = 1;
};

// Greedy LZW when lookBack is 0; otherwise the match may be cut short by up
// to lookBack pixels when the next match then ends further on.
std::vector<std::uint8_t> encode(std::span<const std::uint8_t> pixels, int minCodeSize, std::size_t lookBack)
{
    std::vector<std::uint8_t> out;
    out.reserve(pixels.size() / 4 + 16);
    BlockWriter writer(out);
    Dictionary table(minCodeSize);
    table.clear(writer);
    const std::size_t n = pixels.size();
    auto matchLength = [&](std::size_t at) {
        if (at >= n)
            return std::size_t(0);
        int code = pixels[at];
        std::size_t length = 1;
        while (at + length < n) {
            const int next = table.child(code, pixels[at + length]);
            if (next == 0)
                break;
            code = next;
            ++length;
        }
        return length;
    };

    std::vector<int> path; // the code of each prefix of the longest match
    std::size_t at = 0;
    while (at < n) {
        path.clear();
        int code = pixels[at];
        path.push_back(code);
        while (at + path.size() < n) {
            code = table.child(code, pixels[at + path.size()]);
            if (code == 0)
                break;
            path.push_back(code);
        }
        // One step of lookahead: the prefix after which the next match ends
        // furthest. The decoder needs no help: it reads whatever we cut.
        std::size_t take = path.size();
        if (lookBack > 0 && take > 1 && at + take < n) {
            std::size_t furthest = take + matchLength(at + take);
            // No match is longer than the table's longest string.
            const std::size_t lowest = take > lookBack ? take - lookBack : 1;
            for (std::size_t k = take - 1; k >= lowest && k + table.longest() > furthest; --k) {
                const std::size_t reach = k + matchLength(at + k);
                if (reach > furthest) {
                    furthest = reach;
                    take = k;
                }
            }
        }
        table.write(writer, path[take - 1]);
        if (at + take < n)
            table.add(path[take - 1], pixels[at + take]);
        at += take;
        // A fresh table beat keeping the full one on every picture measured.
        if (table.full() && at < n)
            table.clear(writer);
    }
    table.write(writer, table.endCode());
    writer.finish();
    return out;
}

} // namespace

std::vector<std::uint8_t> gifLzwEncode(std::span<const std::uint8_t> pixels, int minCodeSize)
{
    // A cut-short match adds a string the table already holds, wasting a
    // code: on smoothed edges in 256 colours lookahead wins a few per cent,
    // on few colours or plain runs it can lose more. Both are cheap, so the
    // smaller is kept. Cutting by more than 8 pixels won nothing measurable.
    std::vector<std::uint8_t> greedy = encode(pixels, minCodeSize, 0);
    std::vector<std::uint8_t> lookahead = encode(pixels, minCodeSize, 8);
    return lookahead.size() < greedy.size() ? lookahead : greedy;
}
