#include "platform/GifLzw.h"

#include "platform/SideBySide.h"

#include <algorithm>

namespace {

constexpr int kMaxCodes = 4096; // 12-bit codes
constexpr int kMaxWidth = 12;
// Strings longer than this are taken whole: on flat ground, trying to cut
// them cost a third of a large banner's time and saved no bytes.
constexpr std::size_t kLookaheadLongest = 64;

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

    int clearCode() const { return m_clear; }
    int width() const { return m_width; }

    // Codes widen when the decoder's table reaches the current width's limit;
    // the decoder adds one entry a code behind us, hence the check after.
    void wrote()
    {
        if (m_next >= (1 << m_width) && m_width < kMaxWidth)
            ++m_width;
    }

    // Empty again, as after a clear code.
    void reset()
    {
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

// One coding of the pixels. Greedy LZW when lookBack is 0; otherwise the
// match may be cut short by up to lookBack pixels when the next match then
// ends further on.
//
// When the table fills, the coding goes on in stretches, each as long as a
// fresh table takes to fill. With `weighFull`, the full table codes each
// stretch too, greedily (its strings are long; cutting them costs time for
// little), and is kept while it needs fewer bits a pixel than a clear code
// and a fresh table: gradients and flat banners repeat what the full table
// holds, and come out up to 12 per cent smaller; photographs hardly change.
// Without it, as most writers do, a full table is cleared.
class Coder
{
public:
    Coder(std::span<const std::uint8_t> pixels, int minCodeSize, const LzwLeeway *leeway)
        : m_pixels(pixels)
        , m_leeway(leeway)
        , m_tables{Dictionary(minCodeSize), Dictionary(minCodeSize)}
    { }

    std::vector<std::uint8_t> run(std::size_t lookBack, bool weighFull, std::vector<std::uint8_t> *coded)
    {
        std::vector<std::uint8_t> out;
        out.reserve(m_pixels.size() / 4 + 16);
        BlockWriter writer(out);
        if (coded)
            coded->assign(m_pixels.begin(), m_pixels.end());
        double added = 0;
        // False once the stand-ins taken add more error than the budget.
        auto put = [&](const Stretch &stretch, std::size_t from) {
            for (const auto &[code, width] : stretch.codes)
                writer.put(code, width);
            if (coded && m_leeway)
                std::copy(stretch.coded.begin(), stretch.coded.end(), coded->begin() + std::ptrdiff_t(from));
            if (m_leeway && m_leeway->cost)
                added += m_leeway->cost(from, stretch.coded);
            return !m_leeway || added <= m_leeway->budget;
        };
        const std::size_t n = m_pixels.size();
        Dictionary *table = &m_tables[0];
        Dictionary *fresh = &m_tables[1];
        writer.put(table->clearCode(), table->width());
        code(*table, 0, n, lookBack, m_new);
        if (!put(m_new, 0))
            return {};
        std::size_t at = m_new.end;
        while (at < n) {
            fresh->reset();
            code(*fresh, at, n, lookBack, m_new);
            bool keep = false;
            if (weighFull) {
                code(*table, at, m_new.end, 0, m_kept);
                keep = m_kept.bits * (m_new.end - at) <= (m_new.bits + kMaxWidth) * (m_kept.end - at);
            }
            if (keep) {
                if (!put(m_kept, at))
                    return {};
                at = m_kept.end;
            } else {
                writer.put(table->clearCode(), table->width());
                if (!put(m_new, at))
                    return {};
                std::swap(table, fresh);
                at = m_new.end;
            }
        }
        writer.put(table->clearCode() + 1, table->width()); // the end code
        writer.finish();
        return out;
    }

private:
    // A stretch's codes with their widths, its pixels as coded, its bits and
    // where it ends.
    struct Stretch
    {
        std::vector<std::pair<std::uint16_t, std::uint8_t>> codes;
        std::vector<std::uint8_t> coded;
        std::size_t bits = 0;
        std::size_t end = 0;
    };

    // Codes from `at` with `table` until the pixels end and, for a table
    // that is not full, until it fills; a full one, which no longer changes,
    // until the first string that reaches `until`.
    void code(Dictionary &table, std::size_t at, std::size_t until, std::size_t lookBack, Stretch &stretch)
    {
        m_table = &table;
        stretch.codes.clear();
        stretch.coded.clear();
        stretch.bits = 0;
        const std::size_t n = m_pixels.size();
        const bool full = table.full();
        while (at < n) {
            const std::size_t take = choose(at, lookBack);
            stretch.codes.emplace_back(std::uint16_t(m_codes[take - 1]), std::uint8_t(table.width()));
            stretch.bits += std::size_t(table.width());
            table.wrote();
            if (m_leeway)
                stretch.coded.insert(stretch.coded.end(), m_coded.begin(), m_coded.begin() + std::ptrdiff_t(take));
            // The next string starts with its pixel's own entry, never a
            // stand-in, so this is what the decoder adds too.
            if (at + take < n)
                table.add(m_codes[take - 1], m_pixels[at + take]);
            at += take;
            if (full ? at >= until : table.full())
                break;
        }
        stretch.end = at;
    }

    // How many pixels the next code takes: the longest match, or with
    // lookBack, one step of lookahead: the prefix after which the next match
    // ends furthest. The decoder needs no help: it reads whatever we cut.
    std::size_t choose(std::size_t at, std::size_t lookBack)
    {
        std::size_t take = longest(at, true);
        if (lookBack > 0 && take > 1 && take <= kLookaheadLongest && at + take < m_pixels.size()) {
            std::size_t furthest = take + longest(at + take, false);
            // No match is longer than the table's longest string.
            const std::size_t lowest = take > lookBack ? take - lookBack : 1;
            for (std::size_t k = take - 1; k >= lowest && k + m_table->longest() > furthest; --k) {
                const std::size_t reach = k + longest(at + k, false);
                if (reach > furthest) {
                    furthest = reach;
                    take = k;
                }
            }
        }
        return take;
    }

    // The length of the longest string in the table from `at`. With `keep`,
    // m_codes[k] is the code of its first k + 1 pixels and, with leeway,
    // m_coded[k] the entry pixel k is coded as.
    std::size_t longest(std::size_t at, bool keep) { return m_leeway ? search(at, keep) : walk(at, keep); }

    std::size_t walk(std::size_t at, bool keep)
    {
        int code = m_pixels[at];
        if (keep)
            m_codes.assign(1, code);
        std::size_t length = 1;
        while (at + length < m_pixels.size()) {
            code = m_table->child(code, m_pixels[at + length]);
            if (code == 0)
                break;
            if (keep)
                m_codes.push_back(code);
            ++length;
        }
        return length;
    }

    // Depth first through the table, each pixel after the first as its own
    // entry or a stand-in: the longest string wins, then the one with the
    // fewest stand-ins, then the first found. Only strings in the table are
    // followed, so the search stays within its 4096 entries; between pixels
    // that have stand-ins it walks straight on, like walk().
    std::size_t search(std::size_t at, bool keep)
    {
        const std::size_t n = m_pixels.size();
        m_path.resize(std::max<std::size_t>(m_path.size(), m_table->longest() + 1));
        m_entries.resize(m_path.size());
        m_branches.clear();
        std::size_t depth = 1; // pixels in the string so far
        int changed = 0;
        m_path[0] = m_pixels[at];
        m_entries[0] = m_pixels[at];
        std::size_t bestLength = 0;
        int bestChanged = 0;
        // The next untried entry for the pixel after a branch's string.
        auto follow = [&](Branch &branch) {
            const std::size_t next = at + branch.depth;
            const int options = 1 + m_leeway->count[next];
            while (branch.tried < options) {
                const std::uint8_t entry = branch.tried == 0 ? m_pixels[next]
                                                             : m_leeway->others[next][std::size_t(branch.tried - 1)];
                ++branch.tried;
                const int code = m_table->child(m_path[branch.depth - 1], entry);
                if (code != 0) {
                    depth = branch.depth;
                    m_path[depth] = code;
                    m_entries[depth] = entry;
                    ++depth;
                    changed = branch.changed + (entry != m_pixels[next]);
                    return true;
                }
            }
            return false;
        };
        for (;;) {
            while (at + depth < n) {
                const std::size_t next = at + depth;
                if (m_leeway->count[next] == 0) {
                    const int code = m_table->child(m_path[depth - 1], m_pixels[next]);
                    if (code == 0)
                        break;
                    m_path[depth] = code;
                    m_entries[depth] = m_pixels[next];
                    ++depth;
                    continue;
                }
                m_branches.push_back(Branch{depth, changed});
                if (!follow(m_branches.back()))
                    break;
            }
            if (depth > bestLength || (depth == bestLength && changed < bestChanged)) {
                bestLength = depth;
                bestChanged = changed;
                if (keep) {
                    m_codes.assign(m_path.begin(), m_path.begin() + std::ptrdiff_t(depth));
                    m_coded.assign(m_entries.begin(), m_entries.begin() + std::ptrdiff_t(depth));
                }
            }
            while (!m_branches.empty() && !follow(m_branches.back()))
                m_branches.pop_back();
            if (m_branches.empty())
                return bestLength;
        }
    }

    std::span<const std::uint8_t> m_pixels;
    const LzwLeeway *m_leeway;
    std::array<Dictionary, 2> m_tables;
    Dictionary *m_table = &m_tables[0];
    Stretch m_new;
    Stretch m_kept;
    std::vector<int> m_codes;
    std::vector<std::uint8_t> m_coded;
    // The string being searched: each prefix's code and each pixel's entry,
    // and where it may branch: the length of the string before a pixel with
    // stand-ins, how many of them it changed, and how many entries were tried.
    struct Branch
    {
        std::size_t depth;
        int changed;
        int tried = 0;
    };
    std::vector<int> m_path;
    std::vector<std::uint8_t> m_entries;
    std::vector<Branch> m_branches;
};

// The greedy and the lookahead coding, whichever is smaller and within the
// leeway's budget; on a tie, the greedy one. `coded`, if given, receives the
// pixels as the kept one codes them.
// A cut-short match adds a string the table already holds, wasting a code: on
// smoothed edges in 256 colours lookahead wins a few per cent, on few colours
// or plain runs it can lose more. Both are cheap, so the smaller is kept.
// Cutting by more than 8 pixels won nothing measurable.
constexpr std::size_t kLookBack = 8;
std::vector<std::uint8_t> smallerCoding(std::span<const std::uint8_t> pixels, int minCodeSize, const LzwLeeway *leeway,
                                        std::vector<std::uint8_t> *coded, bool weighFull)
{
    std::vector<std::uint8_t> lookaheadCoded;
    std::vector<std::uint8_t> lookahead;
    std::vector<std::uint8_t> greedy;
    // Each coding has its own table.
    sideBySide(
        [&] {
            lookahead = Coder(pixels, minCodeSize, leeway).run(kLookBack, weighFull, coded ? &lookaheadCoded : nullptr);
        },
        [&] { greedy = Coder(pixels, minCodeSize, leeway).run(0, weighFull, coded); });
    // An empty coding went over the leeway's budget.
    if (lookahead.empty() || (!greedy.empty() && lookahead.size() >= greedy.size()))
        return greedy;
    if (coded)
        *coded = std::move(lookaheadCoded);
    return lookahead;
}

} // namespace

std::vector<std::uint8_t> gifLzwEncode(std::span<const std::uint8_t> pixels, int minCodeSize, bool weighFull)
{
    return smallerCoding(pixels, minCodeSize, nullptr, nullptr, weighFull);
}

std::vector<std::uint8_t> gifLzwEncode(std::span<const std::uint8_t> pixels, int minCodeSize, const LzwLeeway &leeway,
                                       std::vector<std::uint8_t> &coded, bool weighFull)
{
    return smallerCoding(pixels, minCodeSize, &leeway, &coded, weighFull);
}
