#include "platform/GifEncoder.h"

#include "platform/Failure.h"
#include "platform/GifLzw.h"
#include "platform/SideBySide.h"

#include <QElapsedTimer>
#include <QHash>

#include <gif_lib.h>
#include <libimagequant.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

struct Indexed
{
    std::vector<GifColorType> palette;
    std::vector<GifByteType> pixels; // one index a pixel, row by row
};

struct LiqDeleter
{
    void operator()(liq_attr *p) const { liq_attr_destroy(p); }
    void operator()(liq_image *p) const { liq_image_destroy(p); }
    void operator()(liq_result *p) const { liq_result_destroy(p); }
};

// libimagequant's palette as a start that the k-means below refines into a
// better one than its slowest searches find, in a fraction of their time.
// Its fastest search will do: the swaps after k-means make up for a slower
// search's better start, in less time.

std::vector<GifColorType> liqPalette(const QImage &rgba)
{
    std::unique_ptr<liq_attr, LiqDeleter> attr(liq_attr_create());
    if (!attr)
        throw Failure(QStringLiteral("The colour reduction could not start."));
    liq_set_max_colors(attr.get(), 256);
    liq_set_speed(attr.get(), 10);
    liq_set_quality(attr.get(), 0, 100);
    // Four bytes a pixel leave no padding between rows.
    std::unique_ptr<liq_image, LiqDeleter> image(
        liq_image_create_rgba(attr.get(), rgba.constBits(), rgba.width(), rgba.height(), 0));
    if (!image)
        throw Failure(QStringLiteral("The colour reduction could not read the picture."));
    liq_result *raw = nullptr;
    if (liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK || !raw)
        throw Failure(QStringLiteral("The picture's colours could not be reduced to 256."));
    std::unique_ptr<liq_result, LiqDeleter> result(raw);
    const liq_palette *palette = liq_get_palette(result.get());
    std::vector<GifColorType> entries;
    for (unsigned i = 0; i < palette->count; ++i)
        entries.push_back(GifColorType{palette->entries[i].r, palette->entries[i].g, palette->entries[i].b});
    return entries;
}

// Every picture of more than 256 colours gets a palette refined by weighted
// k-means from a start: grouped from its own colours for artwork of up to
// kGroupMaxColours, otherwise liq's. liq at the speed we can afford merges
// shades a level apart, which smooth ramps show as steps. Grouping costs
// time in the square of the colours: past kGroupPairsAbove, pairs are merged
// first down to kPairedGroups. A nearest-colour mapping without dithering
// keeps runs long for LZW.
constexpr std::size_t kGroupMaxColours = 16384;
constexpr std::size_t kGroupPairsAbove = 4096;
constexpr std::size_t kPairedGroups = 2048;
// Above this many colours, and textured over most of it, a picture is taken
// for a photograph. Smooth gradients reach as many colours, but stay artwork:
// stand-ins on their flat ground make ragged band edges, which SSIM counts.
constexpr int kArtworkMaxColours = 8192;
constexpr double kPhotographMostFlat = 0.7;
// Above this many colours, k-means runs on bins of two levels a channel, then
// up to this many rounds on the colours themselves: bins leave the smooth
// ground of photographs off by a level, which the similarity index sees.
// Past this many colours times rounds, fewer, down to two.
constexpr std::size_t kBinAbove = 16384;
constexpr int kExactRounds = 6;
constexpr std::size_t kExactWork = 320000;
// From this many points on, k-means keeps each entry's this many nearest
// others, which spares most of its searches a look over the whole palette;
// with fewer, keeping them costs more than it spares.
constexpr std::size_t kNeighbourListsFrom = 24576;
constexpr std::size_t kNeighbours = 16;
// Rounds of k-means before the swaps below; past this many colours times
// rounds, fewer.
constexpr int kRounds = 12;
constexpr std::size_t kRoundWork = 800000;
// Steps of swaps after them, each of up to this many swaps and followed by
// this many rounds. Rounds spent after swaps gain more than plain rounds:
// some 0.3 dB on photographs, in smaller files. Past this many colours
// times rounds in all, fewer steps.
constexpr int kSwapSteps = 3;
constexpr std::size_t kSwapsPerStep = 8;
constexpr int kSwapRounds = 4;
constexpr std::size_t kSwapWork = 1000000;
// What a pixel on busy ground counts for against one on flat ground, in
// artwork's palette weights (photographs: 0.85, near plain counts). Outlined
// and shadowed lettering brings thousands of edge colours; at 0.3 they took
// entries from smooth ramps, where the similarity index sees every step.
constexpr double kArtworkBase = 0.15;

struct ColourCount
{
    QRgb colour;
    qint64 count;
    int index; // its palette entry
};

int squaredDistance(const GifColorType &entry, QRgb c)
{
    const int dr = qRed(c) - entry.Red;
    const int dg = qGreen(c) - entry.Green;
    const int db = qBlue(c) - entry.Blue;
    return dr * dr + dg * dg + db * db;
}

// Red, green and blue summed with each colour's pixel count, and the count.
using ColourSum = std::array<qint64, 4>;

void addTo(ColourSum &sum, const ColourCount &c)
{
    sum[0] += qRed(c.colour) * c.count;
    sum[1] += qGreen(c.colour) * c.count;
    sum[2] += qBlue(c.colour) * c.count;
    sum[3] += c.count;
}

GifColorType meanOf(const ColourSum &s)
{
    return GifColorType{GifByteType((s[0] + s[3] / 2) / s[3]), GifByteType((s[1] + s[3] / 2) / s[3]),
                        GifByteType((s[2] + s[3] / 2) / s[3])};
}

struct Histogram
{
    std::vector<ColourCount> colours;
    std::vector<std::uint32_t> colourOf; // each pixel's place in `colours`, row by row
};

// The distinct colours and their counts. An open-addressed table of the
// colours' places, twice as large as the pixels, keeps every look-up to a
// probe or two.
Histogram histogramOf(const QImage &rgb)
{
    const std::size_t pixels = std::size_t(rgb.width()) * std::size_t(rgb.height());
    std::size_t slots = 64;
    while (slots < 2 * pixels)
        slots *= 2;
    constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    std::vector<std::uint32_t> slot(slots, kEmpty);
    Histogram hist;
    hist.colourOf.reserve(pixels);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = row[x] | 0xFF000000u;
            std::size_t at = (std::size_t(c) * 0x9E3779B1u >> 8) & (slots - 1);
            while (slot[at] != kEmpty && hist.colours[slot[at]].colour != c)
                at = (at + 1) & (slots - 1);
            if (slot[at] == kEmpty) {
                slot[at] = std::uint32_t(hist.colours.size());
                hist.colours.push_back(ColourCount{c, 0, 0});
            }
            ++hist.colours[slot[at]].count;
            hist.colourOf.push_back(slot[at]);
        }
    }
    return hist;
}

// Up to 256 colours: each keeps its own entry, in order of first appearance.
Indexed indexExactly(const Histogram &hist)
{
    Indexed out;
    for (const ColourCount &c : hist.colours)
        out.palette.push_back(
            GifColorType{GifByteType(qRed(c.colour)), GifByteType(qGreen(c.colour)), GifByteType(qBlue(c.colour))});
    out.pixels.resize(hist.colourOf.size());
    std::transform(hist.colourOf.begin(), hist.colourOf.end(), out.pixels.begin(),
                   [](std::uint32_t slot) { return GifByteType(slot); });
    return out;
}

// Ward's cheapest merges, nearly all between rare shades a level or two
// apart, made in rounds that take time in the colours, not their square:
// each group is priced against the groups in its own and the neighbouring
// cells of a grid, and the cheapest pairs, each group in one at most, merge
// until `target` are left. A round that finds few pairs goes on to coarser
// cells.
void pairUp(std::vector<double> &red, std::vector<double> &green, std::vector<double> &blue,
            std::vector<double> &pixels, std::vector<std::uint32_t> &groupOf, std::size_t target)
{
    // Each group's first colour, for ties.
    std::vector<std::uint32_t> first(red.size());
    for (std::size_t i = 0; i < first.size(); ++i)
        first[i] = std::uint32_t(i);
    int shift = 2;
    while (red.size() > target) {
        const std::size_t n = red.size();
        const int side = 256 >> shift;
        auto cellOf = [&](std::size_t i) {
            return ((int(red[i]) >> shift) * side + (int(green[i]) >> shift)) * side + (int(blue[i]) >> shift);
        };
        // The groups in the order of their cells, so that a cell's groups sit
        // side by side, and where each cell's run starts.
        std::vector<std::uint32_t> start(std::size_t(side * side * side) + 1, 0);
        for (std::size_t i = 0; i < n; ++i)
            ++start[std::size_t(cellOf(i)) + 1];
        for (std::size_t c = 1; c < start.size(); ++c)
            start[c] += start[c - 1];
        std::vector<std::uint32_t> placeOf(n);
        std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
        for (std::size_t i = 0; i < n; ++i)
            placeOf[i] = next[std::size_t(cellOf(i))]++;
        auto reorder = [&](auto &v) {
            std::remove_reference_t<decltype(v)> sorted(n);
            for (std::size_t i = 0; i < n; ++i)
                sorted[placeOf[i]] = v[i];
            v = std::move(sorted);
        };
        reorder(red);
        reorder(green);
        reorder(blue);
        reorder(pixels);
        reorder(first);
        for (std::uint32_t &g : groupOf)
            g = placeOf[g];
        // Each pair of groups in neighbouring cells is priced once: from each
        // cell, towards itself and the 13 neighbours after it.
        std::vector<double> bestCost(n, std::numeric_limits<double>::infinity());
        std::vector<std::uint32_t> partner(n);
        for (std::size_t i = 0; i < n; ++i)
            partner[i] = std::uint32_t(i);
        auto price = [&](std::uint32_t i, std::uint32_t j) {
            const double er = red[i] - red[j];
            const double eg = green[i] - green[j];
            const double eb = blue[i] - blue[j];
            const double cost = pixels[i] * pixels[j] / (pixels[i] + pixels[j]) * (er * er + eg * eg + eb * eb);
            if (cost < bestCost[i] || (cost == bestCost[i] && first[j] < first[partner[i]])) {
                bestCost[i] = cost;
                partner[i] = j;
            }
            if (cost < bestCost[j] || (cost == bestCost[j] && first[i] < first[partner[j]])) {
                bestCost[j] = cost;
                partner[j] = i;
            }
        };
        for (std::size_t from = 0; from < n;) {
            const int cell = cellOf(from);
            const std::uint32_t end = start[std::size_t(cell) + 1];
            const int r = cell / (side * side);
            const int g = cell / side % side;
            const int b = cell % side;
            for (std::uint32_t i = std::uint32_t(from); i < end; ++i)
                for (std::uint32_t j = i + 1; j < end; ++j)
                    price(i, j);
            for (int k = 14; k < 27; ++k) {
                const int nr = r + k / 9 - 1;
                const int ng = g + k / 3 % 3 - 1;
                const int nb = b + k % 3 - 1;
                if (nr >= side || ng < 0 || ng >= side || nb < 0 || nb >= side)
                    continue;
                const int other = (nr * side + ng) * side + nb;
                for (std::uint32_t i = std::uint32_t(from); i < end; ++i)
                    for (std::uint32_t j = start[std::size_t(other)]; j < start[std::size_t(other) + 1]; ++j)
                        price(i, j);
            }
            from = end;
        }
        struct Pair
        {
            double cost;
            std::uint32_t a;
            std::uint32_t b;
        };
        std::vector<Pair> pairs; // each group's nearest; two mutually nearest once
        for (std::size_t i = 0; i < n; ++i) {
            if (partner[i] > i || (partner[i] < i && partner[partner[i]] != i))
                pairs.push_back(Pair{bestCost[i], std::uint32_t(i), partner[i]});
        }
        auto older = [&first](const Pair &p) { return std::minmax(first[p.a], first[p.b]); };
        std::sort(pairs.begin(), pairs.end(), [&older](const Pair &x, const Pair &y) {
            return x.cost != y.cost ? x.cost < y.cost : older(x) < older(y);
        });
        // Each group's new place, or where the group it merged into went.
        constexpr std::uint32_t kFree = std::numeric_limits<std::uint32_t>::max();
        std::vector<std::uint32_t> into(n, kFree);
        std::size_t merged = 0;
        for (const Pair &p : pairs) {
            if (n - merged <= target)
                break;
            if (into[p.a] != kFree || into[p.b] != kFree)
                continue;
            const std::uint32_t keep = first[p.a] < first[p.b] ? p.a : p.b;
            const std::uint32_t gone = keep == p.a ? p.b : p.a;
            const double total = pixels[keep] + pixels[gone];
            red[keep] = (red[keep] * pixels[keep] + red[gone] * pixels[gone]) / total;
            green[keep] = (green[keep] * pixels[keep] + green[gone] * pixels[gone]) / total;
            blue[keep] = (blue[keep] * pixels[keep] + blue[gone] * pixels[gone]) / total;
            pixels[keep] = total;
            into[keep] = keep;
            into[gone] = keep;
            ++merged;
        }
        auto stays = [&into, kFree](std::size_t i) { return into[i] == kFree || into[i] == i; };
        std::uint32_t kept = 0;
        std::vector<std::uint32_t> moved(n);
        for (std::size_t i = 0; i < n; ++i) {
            if (stays(i))
                moved[i] = kept++;
        }
        for (std::size_t i = 0; i < n; ++i) {
            if (!stays(i))
                moved[i] = moved[into[i]];
        }
        auto compact = [&](auto &v) {
            for (std::size_t i = 0; i < n; ++i) {
                if (stays(i))
                    v[moved[i]] = v[i];
            }
            v.resize(kept);
        };
        compact(red);
        compact(green);
        compact(blue);
        compact(pixels);
        compact(first);
        for (std::uint32_t &g : groupOf)
            g = moved[g];
        if (merged * 8 < n - target && shift < 7)
            ++shift;
    }
}

// Ward's method: starting from the colours themselves, the two groups whose
// merging adds the least squared error are merged until `entries` are left.
// It keeps frequent colours exact and merges rare shades first, which makes
// a better start for k-means than liq's palette on smoothed edges. Merging by
// nearest-neighbour chains builds the whole tree in time n squared; its
// cheapest merges are then the ones the step-by-step method makes.
std::vector<GifColorType> groupColours(const std::vector<ColourCount> &colours, std::size_t entries,
                                       const std::vector<double> &weight = {})
{
    // The groups still unmerged, packed so that the search for a group's
    // nearest runs over plain arrays: mean red, green and blue, pixels, and
    // each group's number (its first place).
    std::vector<double> red(colours.size()), green(colours.size()), blue(colours.size()), pixels(colours.size());
    for (std::size_t i = 0; i < colours.size(); ++i) {
        red[i] = qRed(colours[i].colour);
        green[i] = qGreen(colours[i].colour);
        blue[i] = qBlue(colours[i].colour);
        pixels[i] = weight.empty() ? double(colours[i].count) : weight[i];
    }
    std::vector<std::uint32_t> groupOf(colours.size());
    for (std::size_t i = 0; i < colours.size(); ++i)
        groupOf[i] = std::uint32_t(i);
    if (colours.size() > kGroupPairsAbove)
        pairUp(red, green, blue, pixels, groupOf, kPairedGroups);
    const std::size_t n = red.size();
    std::vector<std::uint32_t> id(n);
    std::vector<std::size_t> place(n);
    for (std::size_t i = 0; i < n; ++i) {
        id[i] = std::uint32_t(i);
        place[i] = i;
    }
    struct Merge
    {
        double cost;
        std::uint32_t keep;
        std::uint32_t gone;
    };
    std::vector<Merge> merges;
    merges.reserve(n);
    // The same in floats, for a quick bound below each price (see below),
    // and room for their rounding: channels under 256 are off by under 1e-5
    // in floats, which moves a squared distance by under 0.03 and a
    // hundred-thousandth of itself. Eight bounds past the groups, for the
    // last eight checked at once.
    std::vector<float> roughRed(red.begin(), red.end()), roughGreen(green.begin(), green.end()),
        roughBlue(blue.begin(), blue.end()), roughPixels(pixels.begin(), pixels.end()),
        below(n + 8, std::numeric_limits<float>::infinity());
    constexpr float kRoughD2 = 0.05f;
    constexpr double kRoughShare = 1 - 1e-4;
    std::vector<std::uint32_t> chain;
    std::size_t alive = n;
    while (alive > 1) {
        if (chain.empty())
            chain.push_back(id[0]);
        const std::size_t a = place[chain.back()];
        const double ra = red[a], ga = green[a], ba = blue[a], pa = pixels[a];
        auto costOf = [&](std::size_t j) {
            const double dr = ra - red[j];
            const double dg = ga - green[j];
            const double db = ba - blue[j];
            return pa * pixels[j] / (pa + pixels[j]) * (dr * dr + dg * dg + db * db);
        };
        // A tie goes to the group before on the chain, so that the chain ends.
        const bool hasPrevious = chain.size() >= 2;
        std::size_t best = hasPrevious ? place[chain[chain.size() - 2]] : a;
        double bestCost = hasPrevious ? costOf(best) : std::numeric_limits<double>::infinity();
        // Pricing every group in doubles took most of the grouping's time.
        // Floats, four at a time, give each group a bound below its price;
        // only a group whose bound beats the best so far is priced, so the
        // choice is the one the prices make, in half the time.
        const float fr = float(ra), fg = float(ga), fb = float(ba), fp = float(pa);
        for (std::size_t j = 0; j < alive; ++j) {
            const float dr = fr - roughRed[j];
            const float dg = fg - roughGreen[j];
            const float db = fb - roughBlue[j];
            const float d2 = dr * dr + dg * dg + db * db;
            below[j] = fp * roughPixels[j] / (fp + roughPixels[j]) * std::max(d2 - kRoughD2, 0.0f);
        }
        // Eight bounds are checked at once, and most eights hold none that
        // beats the best.
        auto beaten = [](double cost) {
            return std::nextafter(float(cost / kRoughShare), std::numeric_limits<float>::infinity());
        };
        std::fill(below.begin() + std::ptrdiff_t(alive), below.begin() + std::ptrdiff_t(alive) + 8,
                  std::numeric_limits<float>::infinity());
        float over = beaten(bestCost);
        for (std::size_t from = 0; from < alive; from += 8) {
            using Four = float __attribute__((vector_size(16)));
            using Marks = std::int32_t __attribute__((vector_size(16)));
            Four low, high;
            std::memcpy(&low, below.data() + from, sizeof low);
            std::memcpy(&high, below.data() + from + 4, sizeof high);
            const Four limit = {over, over, over, over};
            const Marks marks = (low < limit) | (high < limit);
            std::array<std::uint64_t, 2> words;
            std::memcpy(words.data(), &marks, sizeof words);
            if ((words[0] | words[1]) == 0)
                continue;
            for (std::size_t j = from; j < std::min(from + 8, alive); ++j) {
                if (below[j] >= over || j == a)
                    continue;
                const double c = costOf(j);
                if (c < bestCost) {
                    bestCost = c;
                    best = j;
                    over = beaten(bestCost);
                }
            }
        }
        if (!hasPrevious || best != place[chain[chain.size() - 2]]) {
            chain.push_back(id[best]);
            continue;
        }
        chain.resize(chain.size() - 2);
        const std::size_t keep = id[a] < id[best] ? a : best;
        const std::size_t gone = keep == a ? best : a;
        merges.push_back(Merge{bestCost, id[keep], id[gone]});
        const double total = pixels[keep] + pixels[gone];
        red[keep] = (red[keep] * pixels[keep] + red[gone] * pixels[gone]) / total;
        green[keep] = (green[keep] * pixels[keep] + green[gone] * pixels[gone]) / total;
        blue[keep] = (blue[keep] * pixels[keep] + blue[gone] * pixels[gone]) / total;
        pixels[keep] = total;
        --alive;
        red[gone] = red[alive];
        green[gone] = green[alive];
        blue[gone] = blue[alive];
        pixels[gone] = pixels[alive];
        id[gone] = id[alive];
        for (const std::size_t at : {keep, gone}) {
            roughRed[at] = float(red[at]);
            roughGreen[at] = float(green[at]);
            roughBlue[at] = float(blue[at]);
            roughPixels[at] = float(pixels[at]);
        }
        place[id[gone]] = gone;
    }
    // A merge never costs less than the merges below it in the tree, and
    // comes after them, so the cheapest merges, oldest first on ties, form
    // whole subtrees.
    std::stable_sort(merges.begin(), merges.end(), [](const Merge &x, const Merge &y) { return x.cost < y.cost; });
    std::vector<std::uint32_t> root(n);
    for (std::size_t i = 0; i < n; ++i)
        root[i] = std::uint32_t(i);
    auto find = [&root](std::uint32_t i) {
        while (root[i] != i)
            i = root[i] = root[root[i]];
        return i;
    };
    for (std::size_t m = 0; m + entries < n && m < merges.size(); ++m)
        root[find(merges[m].gone)] = find(merges[m].keep);
    std::vector<ColourSum> sums(n, {0, 0, 0, 0});
    for (std::size_t i = 0; i < colours.size(); ++i)
        addTo(sums[find(groupOf[i])], colours[i]);
    std::vector<GifColorType> palette;
    for (const ColourSum &sum : sums) {
        if (sum[3] > 0)
            palette.push_back(meanOf(sum));
    }
    return palette;
}

// Finds a colour's nearest and second nearest palette entries. The entries
// are sorted along the grey axis: a search starts where the colour falls on
// that axis and walks outwards, and stops on each side once the axis alone
// puts entries further than the second nearest. Photographs need some 20 to
// 40 of the 256 entries looked at.
class NearestEntries
{
public:
    struct Found
    {
        int entry;
        float best, second; // squared distances
    };

    void place(const std::vector<std::array<float, 3>> &entries)
    {
        m_sorted.resize(entries.size());
        for (std::size_t j = 0; j < entries.size(); ++j)
            m_sorted[j] = Sorted{axis(entries[j][0], entries[j][1], entries[j][2]), entries[j][0], entries[j][1],
                                 entries[j][2], int(j)};
        std::sort(m_sorted.begin(), m_sorted.end(), [](const Sorted &x, const Sorted &y) { return x.t < y.t; });
    }

    Found find(float r, float g, float b) const
    {
        const float t = axis(r, g, b);
        Found found{0, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::infinity()};
        auto consider = [&](const Sorted &e) {
            const float dr = e.r - r, dg = e.g - g, db = e.b - b;
            const float d = dr * dr + dg * dg + db * db;
            if (d >= found.second)
                return;
            if (d < found.best) {
                found.second = found.best;
                found.best = d;
                found.entry = e.entry;
            } else {
                found.second = d;
            }
        };
        auto up = std::lower_bound(m_sorted.begin(), m_sorted.end(), t,
                                   [](const Sorted &e, float value) { return e.t < value; });
        auto down = up;
        for (bool goUp = true, goDown = true; goUp || goDown;) {
            goUp = goUp && up != m_sorted.end() && (up->t - t) * (up->t - t) < found.second;
            if (goUp)
                consider(*up++);
            goDown = goDown && down != m_sorted.begin() && (t - (down - 1)->t) * (t - (down - 1)->t) < found.second;
            if (goDown)
                consider(*--down);
        }
        return found;
    }

    // Calls visit(entry, squared distance) for every entry within the radius.
    template<typename Visit>
    void within(float r, float g, float b, float radiusSquared, Visit &&visit) const
    {
        const float t = axis(r, g, b);
        auto up = std::lower_bound(m_sorted.begin(), m_sorted.end(), t,
                                   [](const Sorted &e, float value) { return e.t < value; });
        auto see = [&](const Sorted &e) {
            const float dr = e.r - r, dg = e.g - g, db = e.b - b;
            const float d = dr * dr + dg * dg + db * db;
            if (d <= radiusSquared)
                visit(e.entry, d);
        };
        for (auto down = up; down != m_sorted.begin() && (t - (down - 1)->t) * (t - (down - 1)->t) <= radiusSquared;)
            see(*--down);
        for (; up != m_sorted.end() && (up->t - t) * (up->t - t) <= radiusSquared; ++up)
            see(*up);
    }

private:
    struct Sorted
    {
        float t, r, g, b;
        int entry;
    };
    static float axis(float r, float g, float b) { return (r + g + b) * 0.57735027f; } // over sqrt(3)
    std::vector<Sorted> m_sorted;
};

// Calls work(from, to) over [0, n) in two halves, the second on another
// core when there is enough to share; each index is the work of one half
// only, so the result does not depend on the split. `each` is an index's
// work in colours of a k-means round: a row's, its pixels.
template<typename Work>
void inHalves(std::size_t n, Work &&work, std::size_t each = 1)
{
    // A thread starts in tens of microseconds; a round of k-means over a
    // photograph's 14,000 colours takes well over a millisecond.
    constexpr std::size_t kWorthSharing = 2048;
    if (n < 2 || n * each < kWorthSharing) {
        work(std::size_t(0), n);
        return;
    }
    sideBySide([&] { work(n / 2, n); }, [&] { work(std::size_t(0), n / 2); });
}

// Lloyd's k-means from the palette given, for plain RGB error, the error PSNR
// measures. Many colours are first gathered into bins (see kBinAbove), each
// at its mean, and the last rounds run on the colours themselves.
// Hamerly's bounds spare a colour the search while its entry cannot have
// changed. Swaps follow (see below); `lean`, when given, weighs the colours
// for choosing which entries merge there. Returns the squared error of the
// mapping, summed over pixels and channels, and leaves only the entries in
// use, in order of first use.
qint64 refineColours(Histogram &hist, Indexed &out, const std::vector<double> &weight, int rounds,
                     const std::vector<double> &lean = {})
{
    std::vector<ColourCount> &colours = hist.colours;
    const std::size_t k = out.palette.size();
    struct Point
    {
        float r, g, b;
        double weight;
        double lean;
    };
    std::vector<Point> points;
    auto weightOf = [&](std::size_t i) { return weight.empty() ? double(colours[i].count) : weight[i]; };
    auto leanOf = [&](std::size_t i) { return lean.empty() ? weightOf(i) : lean[i]; };
    auto exactPoints = [&] {
        points.clear();
        for (std::size_t i = 0; i < colours.size(); ++i)
            points.push_back(Point{float(qRed(colours[i].colour)), float(qGreen(colours[i].colour)),
                                   float(qBlue(colours[i].colour)), weightOf(i), leanOf(i)});
    };
    const bool binned = colours.size() > kBinAbove;
    std::vector<std::uint32_t> binOf; // each colour's bin
    if (!binned) {
        exactPoints();
    } else {
        binOf.resize(colours.size());
        auto key = [](QRgb c) { return std::uint32_t((qRed(c) >> 1) << 16 | (qGreen(c) >> 1) << 8 | (qBlue(c) >> 1)); };
        // By bin, in three stable passes of a channel each: a comparison
        // sort took a sixth of a photograph's time.
        std::vector<std::uint32_t> order(colours.size()), swept(colours.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = std::uint32_t(i);
        for (int shift = 0; shift < 24; shift += 8) {
            std::array<std::size_t, 129> start{};
            for (const ColourCount &c : colours)
                ++start[((key(c.colour) >> shift) & 0x7F) + 1];
            for (std::size_t d = 1; d < start.size(); ++d)
                start[d] += start[d - 1];
            for (const std::uint32_t i : order)
                swept[start[(key(colours[i].colour) >> shift) & 0x7F]++] = i;
            order.swap(swept);
        }
        std::array<double, 4> bin = {0, 0, 0, 0};
        double binLean = 0;
        for (std::size_t at = 0; at < order.size(); ++at) {
            binOf[order[at]] = std::uint32_t(points.size());
            binLean += leanOf(order[at]);
            const QRgb c = colours[order[at]].colour;
            const double w = weightOf(order[at]);
            bin = {bin[0] + w * qRed(c), bin[1] + w * qGreen(c), bin[2] + w * qBlue(c), bin[3] + w};
            if (at + 1 == order.size() || key(colours[order[at + 1]].colour) != key(c)) {
                points.push_back(
                    Point{float(bin[0] / bin[3]), float(bin[1] / bin[3]), float(bin[2] / bin[3]), bin[3], binLean});
                bin = {0, 0, 0, 0};
                binLean = 0;
            }
        }
    }
    std::size_t n = points.size();
    // Many colours take fewer rounds, so that the largest pictures stay quick.
    rounds = int(std::clamp<std::size_t>(kRoundWork / std::max<std::size_t>(n, 1), 8, std::size_t(rounds)));
    std::vector<std::array<float, 3>> centre(k);
    for (std::size_t j = 0; j < k; ++j)
        centre[j] = {float(out.palette[j].Red), float(out.palette[j].Green), float(out.palette[j].Blue)};
    NearestEntries nearestOf;
    nearestOf.place(centre);
    std::vector<int> entry(n);
    std::vector<float> upper(n), lower(n);
    auto search = [&](std::size_t i) {
        const NearestEntries::Found f = nearestOf.find(points[i].r, points[i].g, points[i].b);
        entry[i] = f.entry;
        upper[i] = std::sqrt(f.best) + 0.01f; // float rounding stays inside the bounds
        lower[i] = std::sqrt(f.second) - 0.01f;
    };
    inHalves(n, [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i)
            search(i);
    });
    auto gap = [](const std::array<float, 3> &x, const std::array<float, 3> &y) {
        const float dr = x[0] - y[0], dg = x[1] - y[1], db = x[2] - y[2];
        return std::sqrt(dr * dr + dg * dg + db * db);
    };
    std::vector<float> half(k), moved(k);
    // With many points, each entry's nearest others, nearest first: a point
    // whose entry moved looks among them first (see nearer below).
    std::size_t listed = 0;
    std::vector<std::pair<float, int>> neighbours;
    std::vector<float> apart;
    // Half of each entry's distance to its nearest other, the root taken
    // once the nearest is found, and with many points the lists above.
    auto survey = [&] {
        listed = n >= kNeighbourListsFrom ? std::min(kNeighbours, k - 1) : 0;
        neighbours.resize(k * listed);
        apart.resize(listed > 0 ? k * k : 0);
        std::fill(half.begin(), half.end(), std::numeric_limits<float>::infinity());
        for (std::size_t j = 0; j < k; ++j)
            for (std::size_t m = j + 1; m < k; ++m) {
                const float dr = centre[m][0] - centre[j][0], dg = centre[m][1] - centre[j][1],
                            db = centre[m][2] - centre[j][2];
                const float d2 = dr * dr + dg * dg + db * db;
                half[j] = std::min(half[j], d2);
                half[m] = std::min(half[m], d2);
                if (listed > 0)
                    apart[j * k + m] = apart[m * k + j] = d2;
            }
        for (float &h : half)
            h = std::sqrt(h) / 2;
        // The nearest few by insertion: most others fail the first test.
        for (std::size_t j = 0; j < k && listed > 0; ++j) {
            std::pair<float, int> *list = neighbours.data() + j * listed;
            std::size_t count = 0;
            for (std::size_t m = 0; m < k; ++m) {
                const float d2 = apart[j * k + m];
                if (m == j || (count == listed && d2 >= list[listed - 1].first))
                    continue;
                std::size_t to = count < listed ? count++ : listed - 1;
                for (; to > 0 && list[to - 1].first > d2; --to)
                    list[to] = list[to - 1];
                list[to] = {d2, int(m)};
            }
            for (std::size_t l = 0; l < listed; ++l)
                list[l].first = std::sqrt(list[l].first);
        }
    };
    // The nearest entry to point i, which was nearest to entry a and lies
    // `away` from it: any nearer one lies within twice that of a, so only
    // a's neighbours that close are weighed. The second nearest's distance
    // gets a lower bound: the nearest neighbour of a not weighed is at least
    // its distance from a less `away` from the point. A tie for the nearest,
    // or a list too short, takes the full search, so the entry found is
    // always the one the full search finds.
    auto nearer = [&](std::size_t i, std::size_t a, float away) {
        const std::pair<float, int> *list = neighbours.data() + a * listed;
        const float reach = 2 * away + 0.02f;
        if (list[listed - 1].first < reach)
            return false;
        const Point &p = points[i];
        auto squared = [&](std::size_t j) {
            const float dr = centre[j][0] - p.r, dg = centre[j][1] - p.g, db = centre[j][2] - p.b;
            return dr * dr + dg * dg + db * db;
        };
        float best = squared(a), second = std::numeric_limits<float>::infinity();
        std::size_t bestAt = a, l = 0;
        for (; list[l].first < reach; ++l) {
            const float d = squared(std::size_t(list[l].second));
            if (d < best) {
                second = best;
                best = d;
                bestAt = std::size_t(list[l].second);
            } else {
                second = std::min(second, d);
            }
        }
        if (best == second)
            return false;
        entry[i] = int(bestAt);
        upper[i] = std::sqrt(best) + 0.01f;
        lower[i] = std::min(std::sqrt(second), list[l].first - away) - 0.01f;
        return true;
    };
    // After the entries moved by `moved`, each point's bounds widen by the
    // moves, and only a point whose bounds no longer prove its entry the
    // nearest looks again.
    auto resettle = [&] {
        float most = 0, next = 0;
        std::size_t mostAt = 0;
        for (std::size_t j = 0; j < k; ++j) {
            if (moved[j] > most) {
                next = most;
                most = moved[j];
                mostAt = j;
            } else if (moved[j] > next) {
                next = moved[j];
            }
        }
        nearestOf.place(centre);
        survey();
        inHalves(n, [&](std::size_t from, std::size_t to) {
            for (std::size_t i = from; i < to; ++i) {
                const std::size_t a = std::size_t(entry[i]);
                upper[i] += moved[a];
                lower[i] -= a == mostAt ? next : most;
                const float bound = std::max(half[a], lower[i]);
                if (upper[i] <= bound)
                    continue;
                const float away = gap({points[i].r, points[i].g, points[i].b}, centre[a]);
                upper[i] = away + 0.01f;
                if (upper[i] > bound && (listed == 0 || !nearer(i, a, away)))
                    search(i);
            }
        });
    };
    auto lloyd = [&](int count) {
        for (int round = 0; round < count; ++round) {
            std::vector<std::array<double, 4>> sums(k, {0, 0, 0, 0});
            for (std::size_t i = 0; i < n; ++i) {
                auto &sum = sums[std::size_t(entry[i])];
                sum[0] += points[i].weight * double(points[i].r);
                sum[1] += points[i].weight * double(points[i].g);
                sum[2] += points[i].weight * double(points[i].b);
                sum[3] += points[i].weight;
            }
            bool still = true;
            for (std::size_t j = 0; j < k; ++j) {
                moved[j] = 0;
                if (sums[j][3] <= 0)
                    continue;
                const std::array<float, 3> now = {float(sums[j][0] / sums[j][3]), float(sums[j][1] / sums[j][3]),
                                                  float(sums[j][2] / sums[j][3])};
                moved[j] = gap(now, centre[j]);
                centre[j] = now;
                still = still && moved[j] == 0;
            }
            // Settled: no entry moves by enough to round elsewhere.
            if (still)
                break;
            resettle();
        }
    };
    lloyd(rounds);
    // Swaps. k-means leaves an entry where it first found use, though two
    // entries may sit so close that merging them costs less than splitting
    // the group with the most error would gain. Each step merges the
    // cheapest such pairs, sends the freed entry halfway to the heaviest
    // outlier of one of the worst groups, and lets k-means settle again; a
    // step that does not lower the error is undone, and ends the search.
    std::vector<double> mass(k), leanMass(k), spread(k), outlier(k);
    std::vector<std::size_t> outlierAt(k);
    auto measure = [&]() {
        std::fill(mass.begin(), mass.end(), 0.0);
        std::fill(leanMass.begin(), leanMass.end(), 0.0);
        std::fill(spread.begin(), spread.end(), 0.0);
        std::fill(outlier.begin(), outlier.end(), -1.0);
        double total = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t a = std::size_t(entry[i]);
            const double dr = points[i].r - centre[a][0], dg = points[i].g - centre[a][1],
                         db = points[i].b - centre[a][2];
            const double e = points[i].weight * (dr * dr + dg * dg + db * db);
            mass[a] += points[i].weight;
            leanMass[a] += points[i].lean;
            spread[a] += e;
            total += e;
            if (e > outlier[a]) {
                outlier[a] = e;
                outlierAt[a] = i;
            }
        }
        return total;
    };
    double settled = measure();
    std::vector<std::array<float, 3>> kept;
    std::vector<int> keptEntry;
    std::vector<float> keptUpper, keptLower;
    std::vector<std::size_t> worst(k), moves;
    std::vector<char> taken(k), jumped(k);
    for (int step = 0; step < kSwapSteps; ++step) {
        // A step costs about a round more than its own.
        if (n * std::size_t(rounds + (step + 1) * (kSwapRounds + 1)) > kSwapWork)
            break;
        kept = centre;
        keptEntry = entry;
        keptUpper = upper;
        keptLower = lower;
        struct Merge
        {
            double cost;
            std::size_t keep, gone;
        };
        std::vector<Merge> merges;
        merges.reserve(k * (k - 1) / 2);
        for (std::size_t a = 0; a < k; ++a)
            for (std::size_t b = a + 1; b < k; ++b) {
                const double both = leanMass[a] + leanMass[b];
                const double d = double(gap(centre[a], centre[b]));
                merges.push_back(Merge{both > 0 ? leanMass[a] * leanMass[b] / both * d * d : 0, a, b});
            }
        // Only the cheapest few can be taken: each step takes at most
        // kSwapsPerStep, and each one taken rules out a few others.
        const std::size_t looked = std::min(merges.size(), 8 * kSwapsPerStep);
        auto cheaper = [](const Merge &x, const Merge &y) {
            return x.cost < y.cost || (x.cost == y.cost && (x.keep < y.keep || (x.keep == y.keep && x.gone < y.gone)));
        };
        std::nth_element(merges.begin(), merges.begin() + std::ptrdiff_t(looked), merges.end(), cheaper);
        merges.resize(looked);
        std::sort(merges.begin(), merges.end(), cheaper);
        for (std::size_t j = 0; j < k; ++j)
            worst[j] = j;
        std::sort(worst.begin(), worst.end(), [&](std::size_t x, std::size_t y) { return spread[x] > spread[y]; });
        std::fill(taken.begin(), taken.end(), 0);
        std::fill(jumped.begin(), jumped.end(), 0);
        moves.clear();
        std::size_t next = 0;
        for (const Merge &m : merges) {
            if (moves.size() >= 2 * kSwapsPerStep)
                break;
            if (taken[m.keep] || taken[m.gone])
                continue;
            while (next < k && (taken[worst[next]] || worst[next] == m.keep || worst[next] == m.gone))
                ++next;
            // Splitting a group gains a good part of its error, rarely more than half.
            if (next == k || spread[worst[next]] <= 0 || m.cost > spread[worst[next]] / 2)
                break;
            const std::size_t split = worst[next];
            const double both = mass[m.keep] + mass[m.gone];
            for (std::size_t c = 0; c < 3; ++c)
                if (both > 0)
                    centre[m.keep][c] = float(
                        (mass[m.keep] * double(centre[m.keep][c]) + mass[m.gone] * double(centre[m.gone][c])) / both);
            const Point &far = points[outlierAt[split]];
            centre[m.gone] = {(centre[split][0] + far.r) / 2, (centre[split][1] + far.g) / 2,
                              (centre[split][2] + far.b) / 2};
            taken[m.keep] = taken[m.gone] = taken[split] = 1;
            jumped[m.keep] = jumped[m.gone] = 1;
            moves.push_back(m.keep);
            moves.push_back(m.gone);
        }
        if (moves.empty())
            break;
        // Colours of the moved entries look again everywhere; the others need
        // only weigh the moved entries against their own.
        nearestOf.place(centre);
        inHalves(n, [&](std::size_t from, std::size_t to) {
            for (std::size_t i = from; i < to; ++i) {
                const std::size_t own = std::size_t(entry[i]);
                if (jumped[own]) {
                    search(i);
                    continue;
                }
                float best = gap({points[i].r, points[i].g, points[i].b}, centre[own]);
                float second = lower[i];
                std::size_t bestAt = own;
                for (const std::size_t m : moves) {
                    const float d = gap({points[i].r, points[i].g, points[i].b}, centre[m]);
                    if (d < best) {
                        second = best;
                        best = d;
                        bestAt = m;
                    } else {
                        second = std::min(second, d);
                    }
                }
                entry[i] = int(bestAt);
                upper[i] = best + 0.01f;
                lower[i] = second - 0.01f;
            }
        });
        lloyd(kSwapRounds);
        const double now = measure();
        if (now >= settled) {
            centre = kept;
            entry.swap(keptEntry);
            upper.swap(keptUpper);
            lower.swap(keptLower);
            nearestOf.place(centre);
            break;
        }
        settled = now;
    }
    if (binned) {
        // Each colour starts from its bin's entry, with bounds widened by
        // its distance from the bin's mean.
        std::vector<Point> bins;
        bins.swap(points);
        exactPoints();
        n = points.size();
        const std::vector<int> binEntry = std::exchange(entry, std::vector<int>(n));
        const std::vector<float> binLower = std::exchange(lower, std::vector<float>(n));
        upper.resize(n);
        survey();
        inHalves(n, [&](std::size_t from, std::size_t to) {
            for (std::size_t i = from; i < to; ++i) {
                const Point &p = points[i];
                const Point &b = bins[binOf[i]];
                const std::size_t a = std::size_t(binEntry[binOf[i]]);
                entry[i] = int(a);
                upper[i] = gap({p.r, p.g, p.b}, centre[a]) + 0.01f;
                lower[i] = binLower[binOf[i]] - gap({p.r, p.g, p.b}, {b.r, b.g, b.b}) - 0.01f;
                if (upper[i] > std::max(half[a], lower[i]))
                    search(i);
            }
        });
        lloyd(int(std::clamp<std::size_t>(kExactWork / n, 2, kExactRounds)));
    }
    // Entries as GIF keeps them; each colour takes its nearest.
    for (std::size_t j = 0; j < k; ++j) {
        out.palette[j] = GifColorType{GifByteType(std::lround(centre[j][0])), GifByteType(std::lround(centre[j][1])),
                                      GifByteType(std::lround(centre[j][2]))};
        const std::array<float, 3> whole = {float(out.palette[j].Red), float(out.palette[j].Green),
                                            float(out.palette[j].Blue)};
        moved[j] = gap(whole, centre[j]);
        centre[j] = whole;
    }
    resettle();
    for (std::size_t i = 0; i < colours.size(); ++i)
        colours[i].index = entry[i];
    qint64 error = 0;
    for (const ColourCount &c : colours)
        error += squaredDistance(out.palette[std::size_t(c.index)], c.colour) * c.count;
    std::vector<int> renumber(k, -1);
    std::vector<GifColorType> used;
    out.pixels.resize(hist.colourOf.size());
    for (std::size_t at = 0; at < hist.colourOf.size(); ++at) {
        const int old = colours[hist.colourOf[at]].index;
        int &mapped = renumber[std::size_t(old)];
        if (mapped < 0) {
            mapped = int(used.size());
            used.push_back(out.palette[std::size_t(old)]);
        }
        out.pixels[at] = GifByteType(mapped);
    }
    out.palette = used;
    for (ColourCount &c : colours)
        c.index = renumber[std::size_t(c.index)];
    return error;
}

// How much a pixel's error shows, after the structural similarity index that
// judges GIF quality: 1 on flat ground, falling towards 0 where its 8 x 8
// windows (on a 4-pixel grid) vary strongly, as along the edges of lettering.
// Each pixel takes its most sensitive window; pixels outside all windows, 1.
std::vector<float> sensitivity(const QImage &rgb)
{
    const int w = rgb.width();
    const int h = rgb.height();
    const int bw = w / 4;
    const int bh = h / 4;
    std::vector<float> out(std::size_t(w) * std::size_t(h), 1.0f);
    if (bw < 2 || bh < 2)
        return out;
    // Sums and sums of squares per channel over each 4 x 4 block.
    std::vector<std::array<double, 6>> block(std::size_t(bw) * std::size_t(bh), {0, 0, 0, 0, 0, 0});
    // Each step below shares its rows between two cores.
    const std::size_t rowWork = std::size_t(w);
    inHalves(
        std::size_t(bh),
        [&](std::size_t from, std::size_t to) {
            for (int y = int(from) * 4; y < int(to) * 4; ++y) {
                const auto *row = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
                for (int x = 0; x < bw * 4; ++x) {
                    auto &b = block[std::size_t(y / 4) * std::size_t(bw) + std::size_t(x / 4)];
                    const double v[3] = {double(qRed(row[x])), double(qGreen(row[x])), double(qBlue(row[x]))};
                    for (std::size_t c = 0; c < 3; ++c) {
                        b[c] += v[c];
                        b[c + 3] += v[c] * v[c];
                    }
                }
            }
        },
        rowWork * 4);
    constexpr double c2 = (0.03 * 255) * (0.03 * 255); // the index's own constant
    const int ww = bw - 1;
    const int wh = bh - 1;
    std::vector<float> window(std::size_t(ww) * std::size_t(wh));
    inHalves(
        std::size_t(wh),
        [&](std::size_t from, std::size_t to) {
            for (int j = int(from); j < int(to); ++j) {
                for (int i = 0; i < ww; ++i) {
                    double s = 0;
                    for (std::size_t c = 0; c < 3; ++c) {
                        double sum = 0;
                        double squares = 0;
                        for (int dj = 0; dj < 2; ++dj)
                            for (int di = 0; di < 2; ++di) {
                                const auto &b = block[std::size_t(j + dj) * std::size_t(bw) + std::size_t(i + di)];
                                sum += b[c];
                                squares += b[c + 3];
                            }
                        const double variance = squares / 64 - (sum / 64) * (sum / 64);
                        s += c2 / (2 * variance + c2);
                    }
                    window[std::size_t(j) * std::size_t(ww) + std::size_t(i)] = float(s / 3);
                }
            }
        },
        rowWork);
    inHalves(
        std::size_t(bh) * 4,
        [&](std::size_t from, std::size_t to) {
            for (int y = int(from); y < int(to); ++y) {
                const int j0 = std::max(0, y / 4 - 1);
                const int j1 = std::min(wh - 1, y / 4);
                for (int x = 0; x < bw * 4; ++x) {
                    const int i0 = std::max(0, x / 4 - 1);
                    const int i1 = std::min(ww - 1, x / 4);
                    float most = 0;
                    for (int j = j0; j <= j1; ++j)
                        for (int i = i0; i <= i1; ++i)
                            most = std::max(most, window[std::size_t(j) * std::size_t(ww) + std::size_t(i)]);
                    out[std::size_t(y) * std::size_t(w) + std::size_t(x)] = most;
                }
            }
        },
        rowWork);
    return out;
}

// Whether less than kPhotographMostFlat of the pixels lie on flat ground.
bool mostlyTextured(const std::vector<float> &shows)
{
    const auto flat = std::count_if(shows.begin(), shows.end(), [](float s) { return s > 0.95f; });
    return double(flat) < kPhotographMostFlat * double(shows.size());
}

// Each colour's weight in the palette: its pixels, each counting `base` plus
// the rest in the measure of how much its error shows.
std::vector<double> weightsOf(const Histogram &hist, const std::vector<float> &shows, double base)
{
    std::vector<double> weight(hist.colours.size(), 0.0);
    for (std::size_t at = 0; at < hist.colourOf.size(); ++at)
        weight[hist.colourOf[at]] += base + (1 - base) * double(shows[at]);
    return weight;
}

// Each colour's nearest other entries, at most kMostExtra squared units
// further from it than its own, nearest first.
constexpr int kMostExtra = 16;
struct StandIns
{
    std::array<std::uint8_t, LzwLeeway::kMost> entry{};
    std::array<int, LzwLeeway::kMost> extra{};
    int count = 0;
};

std::vector<StandIns> standInsOf(const Histogram &hist, const std::vector<GifColorType> &palette)
{
    std::vector<std::array<float, 3>> entries;
    entries.reserve(palette.size());
    for (const GifColorType &e : palette)
        entries.push_back({float(e.Red), float(e.Green), float(e.Blue)});
    NearestEntries search;
    search.place(entries);
    std::vector<StandIns> byColour(hist.colours.size());
    inHalves(hist.colours.size(), [&](std::size_t from, std::size_t to) {
        std::vector<std::pair<int, int>> others; // extra error, entry
        for (std::size_t k = from; k < to; ++k) {
            const ColourCount &c = hist.colours[k];
            const int own = squaredDistance(palette[std::size_t(c.index)], c.colour);
            others.clear();
            search.within(float(qRed(c.colour)), float(qGreen(c.colour)), float(qBlue(c.colour)),
                          float(own + kMostExtra) + 0.5f, [&](int entry, float) {
                              const int extra = squaredDistance(palette[std::size_t(entry)], c.colour) - own;
                              if (entry != c.index && extra <= kMostExtra)
                                  others.emplace_back(extra, entry);
                          });
            std::sort(others.begin(), others.end());
            StandIns &s = byColour[k];
            for (const auto &[extra, entry] : others) {
                if (s.count == LzwLeeway::kMost)
                    break;
                s.entry[std::size_t(s.count)] = std::uint8_t(entry);
                s.extra[std::size_t(s.count)] = extra;
                ++s.count;
            }
        }
    });
    return byColour;
}

// The error of the nearest mapping around each 4 x 4 block, over the 3 x 3
// blocks centred on it, the ground of the 8 x 8 windows (on a 4-pixel grid)
// that see the block's pixels: its mean in red, green and blue, and its
// spread around that mean, in squared units a pixel.
struct LocalError
{
    int columns = 1;
    int rows = 1;
    std::vector<std::array<float, 4>> blocks;

    // The blocks of pixel row y, one for every four pixels.
    const std::array<float, 4> *row(int y) const
    {
        return blocks.data() + std::size_t(std::min(y / 4, rows - 1)) * std::size_t(columns);
    }
};

LocalError localError(const Indexed &indexed, const Histogram &hist, int w, int h)
{
    LocalError local;
    local.columns = std::max(1, w / 4);
    local.rows = std::max(1, h / 4);
    // Each colour's error at its entry: red, green, blue, squared.
    std::vector<std::array<int, 4>> errorOf(hist.colours.size());
    for (std::size_t k = 0; k < hist.colours.size(); ++k) {
        const QRgb c = hist.colours[k].colour;
        const GifColorType &e = indexed.palette[std::size_t(hist.colours[k].index)];
        errorOf[k] = {e.Red - qRed(c), e.Green - qGreen(c), e.Blue - qBlue(c), squaredDistance(e, c)};
    }
    const std::size_t blocks = std::size_t(local.columns) * std::size_t(local.rows);
    std::vector<std::array<int, 5>> sum(blocks, {0, 0, 0, 0, 0}); // the above summed, and pixels
    for (int y = 0; y < h; ++y) {
        std::array<int, 5> *row = sum.data()
            + std::size_t(std::min(y / 4, local.rows - 1)) * std::size_t(local.columns);
        const std::uint32_t *colourOf = hist.colourOf.data() + std::size_t(y) * std::size_t(w);
        for (int x = 0; x < w; ++x) {
            const std::array<int, 4> &e = errorOf[colourOf[x]];
            std::array<int, 5> &b = row[std::min(x / 4, local.columns - 1)];
            for (std::size_t c = 0; c < 4; ++c)
                b[c] += e[c];
            b[4] += 1;
        }
    }
    local.blocks.resize(blocks);
    for (int j = 0; j < local.rows; ++j)
        for (int i = 0; i < local.columns; ++i) {
            std::array<double, 5> t{0, 0, 0, 0, 0};
            for (int y = std::max(0, j - 1); y <= std::min(local.rows - 1, j + 1); ++y)
                for (int x = std::max(0, i - 1); x <= std::min(local.columns - 1, i + 1); ++x)
                    for (std::size_t c = 0; c < 5; ++c)
                        t[c] += sum[std::size_t(y) * std::size_t(local.columns) + std::size_t(x)][c];
            auto &out = local.blocks[std::size_t(j) * std::size_t(local.columns) + std::size_t(i)];
            double spread = t[3] / t[4];
            for (std::size_t c = 0; c < 3; ++c) {
                out[c] = float(t[c] / t[4]);
                spread -= (t[c] / t[4]) * (t[c] / t[4]);
            }
            out[3] = float(spread);
        }
    return local;
}

// The stand-ins each pixel may be coded as: those at most `most` squared
// units further from its colour than its own entry, and priced within a
// limit that is `most` where an error hides best (along strong edges) and
// proportionally less where it shows more, down to a sixteenth of `most` on
// flat ground, which shortened photographs by some 4 % for a hundredth of a
// dB. On artwork's flat ground the limit is also the spread of error the
// palette already leaves there: where it matches a smooth fill or ramp, no
// stand-in, which would show as a speckle or a ragged band edge; where its
// error is grainy anyway, as in a photograph. LZW takes one when it lets a
// string run on.
// The price is what a stand-in adds to the spread of the error around its
// mean in the windows that see the pixel, which the similarity index counts,
// rather than to the squared error: a stand-in that moves the pixel's error
// towards its neighbours' costs less than its squared error, one that moves
// it away costs more. That keeps stand-ins off smooth ground where the
// palette is off by a shade, and frees more of them in grain.
// `offered` receives the sum of each pixel's dearest stand-in's extra error.
void leewayFor(const Histogram &hist, const Indexed &indexed, const std::vector<StandIns> &byColour,
               const LocalError &local, int w, const std::vector<float> &shows, double most, bool photograph,
               LzwLeeway &leeway, double &offered)
{
    const std::size_t n = hist.colourOf.size();
    leeway.others.resize(n);
    leeway.count.assign(n, 0);
    offered = 0;
    const std::array<float, 4> *row = local.row(0);
    for (std::size_t at = 0, x = 0, y = 0; at < n; ++at, ++x) {
        if (x == std::size_t(w)) {
            x = 0;
            row = local.row(int(++y));
        }
        const StandIns &s = byColour[hist.colourOf[at]];
        if (s.count == 0)
            continue;
        const double hidden = 1 / double(shows[at]);
        const std::array<float, 4> &b = row[std::min(int(x / 4), local.columns - 1)];
        double limit = std::min(most, most / kMostExtra * hidden);
        if (hidden < 2 && !photograph)
            limit = std::min(limit, double(b[3]));
        auto &others = leeway.others[at];
        int count = 0;
        int dearest = 0;
        if (b[0] == 0 && b[1] == 0 && b[2] == 0) {
            // No mean error to move towards: the price is the extra error.
            while (count < s.count && s.extra[std::size_t(count)] <= limit)
                ++count;
            others = s.entry;
            dearest = count > 0 ? s.extra[std::size_t(count - 1)] : 0;
        } else {
            const GifColorType &own = indexed.palette[indexed.pixels[at]];
            std::array<float, LzwLeeway::kMost> price{};
            for (std::size_t k = 0; k < std::size_t(s.count) && s.extra[k] <= most; ++k) {
                const GifColorType &o = indexed.palette[s.entry[k]];
                const float p = float(s.extra[k])
                    - 2
                        * (b[0] * float(o.Red - own.Red) + b[1] * float(o.Green - own.Green)
                           + b[2] * float(o.Blue - own.Blue));
                if (double(p) > limit)
                    continue;
                // Cheapest first.
                std::size_t to = std::size_t(count++);
                for (; to > 0 && price[to - 1] > p; --to) {
                    price[to] = price[to - 1];
                    others[to] = others[to - 1];
                }
                price[to] = p;
                others[to] = s.entry[k];
                dearest = s.extra[k];
            }
        }
        leeway.count[at] = std::uint8_t(count);
        offered += dearest;
    }
}

int writeToBuffer(GifFileType *gif, const GifByteType *data, int length)
{
    static_cast<QByteArray *>(gif->UserData)->append(reinterpret_cast<const char *>(data), length);
    return length;
}

QString gifError(int code)
{
    const char *text = GifErrorString(code);
    return QStringLiteral("The GIF could not be written: %1.").arg(QString::fromLatin1(text ? text : "unknown error"));
}

// With leeway, `coded` receives the pixels as written; nothing is written
// when every coding goes over the leeway's budget.
QByteArray writeGif(const Indexed &indexed, int w, int h, const LzwLeeway *leeway = nullptr,
                    std::vector<std::uint8_t> *coded = nullptr)
{
    int bits = 1;
    while ((1 << bits) < int(indexed.palette.size()))
        ++bits;
    // giflib writes the file's structure; the codes are ours, smaller than its own.
    const int codeSize = std::max(bits, 2);
    const std::vector<std::uint8_t> data = leeway ? gifLzwEncode(indexed.pixels, codeSize, *leeway, *coded)
                                                  : gifLzwEncode(indexed.pixels, codeSize);
    if (data.empty())
        return {};
    std::vector<GifColorType> entries(std::size_t(1) << bits, GifColorType{0, 0, 0});
    std::copy(indexed.palette.begin(), indexed.palette.end(), entries.begin());

    QByteArray bytes;
    int error = 0;
    GifFileType *gif = EGifOpen(&bytes, writeToBuffer, &error);
    if (!gif)
        throw Failure(gifError(error));
    auto close = [&gif] {
        int ignored = 0;
        if (gif)
            EGifCloseFile(gif, &ignored);
        gif = nullptr;
    };
    // giflib keeps a copy of its own.
    const std::unique_ptr<ColorMapObject, decltype(&GifFreeMapObject)> map(
        GifMakeMapObject(int(entries.size()), entries.data()), &GifFreeMapObject);
    if (!map) {
        close();
        throw Failure(QStringLiteral("There is not enough memory for the GIF palette."));
    }
    // The screen takes the palette; the image has none of its own.
    if (EGifPutScreenDesc(gif, w, h, bits, 0, map.get()) == GIF_ERROR
        || EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_ERROR) {
        const int code = gif->Error;
        close();
        throw Failure(gifError(code));
    }
    auto put = [&](const GifByteType *block) {
        if (EGifPutCodeNext(gif, block) == GIF_ERROR) {
            const int code = gif->Error;
            close();
            throw Failure(gifError(code));
        }
    };
    for (std::size_t at = 0; at < data.size(); at += std::size_t(data[at]) + 1)
        put(data.data() + at);
    put(nullptr); // the empty block that ends the data
    if (EGifCloseFile(gif, &error) == GIF_ERROR) {
        gif = nullptr;
        throw Failure(gifError(error));
    }
    gif = nullptr;
    return bytes;
}

// The picture written with stand-ins (see leewayFor), or nothing when they
// would add more error than allowed. They may add at most a fifth of the
// palette's own squared error, 0.8 dB of PSNR; a picture that would need more
// tries again with half the leeway, twice. A coding is given up as soon as it
// overruns, so a failed try costs only the part coded.
QByteArray writeWithStandIns(const Indexed &indexed, const Histogram &hist, qint64 error, const QImage &rgb,
                             const std::vector<float> &shows, bool photograph, qint64 &added)
{
    constexpr double kBudget = 1.2;
    const double slack = (kBudget - 1) * double(error);
    const std::vector<StandIns> standIns = standInsOf(hist, indexed.palette);
    const LocalError local = localError(indexed, hist, rgb.width(), rgb.height());
    // The error that pixels from `from` on add when coded as `coded`.
    auto addedBy = [&](std::size_t from, std::span<const std::uint8_t> coded) {
        qint64 sum = 0;
        for (std::size_t i = 0; i < coded.size(); ++i) {
            const std::size_t at = from + i;
            if (coded[i] == indexed.pixels[at])
                continue;
            const QRgb colour = hist.colours[hist.colourOf[at]].colour;
            sum += squaredDistance(indexed.palette[coded[i]], colour)
                - squaredDistance(indexed.palette[indexed.pixels[at]], colour);
        }
        return double(sum);
    };
    LzwLeeway leeway;
    leeway.cost = addedBy;
    leeway.budget = slack;
    for (double most = kMostExtra; most >= 4; most /= 2) {
        double offered = 0;
        leewayFor(hist, indexed, standIns, local, rgb.width(), shows, most, photograph, leeway, offered);
        // LZW takes a twentieth to a sixth of the stand-ins offered; where
        // even a fiftieth would overrun the budget (flat artwork, whose own
        // error is tiny), the pass is not worth making.
        if (offered > 50 * slack)
            continue;
        std::vector<std::uint8_t> coded;
        QByteArray gif = writeGif(indexed, rgb.width(), rgb.height(), &leeway, &coded);
        if (gif.isEmpty())
            continue;
        added = qint64(addedBy(0, coded));
        return gif;
    }
    added = 0;
    return {};
}

} // namespace

QByteArray encodeGif(const QImage &picture, QSize size, GifEncodeReport *report)
{
    if (picture.isNull())
        throw Failure(QStringLiteral("There is no picture to write."));
    if (size.width() < 1 || size.height() < 1 || size.width() > kGifMaxSide || size.height() > kGifMaxSide)
        throw Failure(QStringLiteral("A GIF cannot be %1 x %2 pixels.").arg(size.width()).arg(size.height()));

    QElapsedTimer clock;
    clock.start();
    double quantizeMs = 0;
    double encodeMs = 0;
    auto lap = [&clock](double &total) {
        total += double(clock.nsecsElapsed()) / 1e6;
        clock.restart();
    };
    QImage source = picture.size() == size ? picture
                                           : picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const int w = size.width();
    const int h = size.height();
    Indexed indexed;
    const QImage rgb = source.convertToFormat(QImage::Format_RGB32);
    Histogram colours = histogramOf(rgb);
    const bool exact = colours.colours.size() <= 256;
    bool photograph = false;
    std::vector<float> shows;
    qint64 error = 0;
    if (exact) {
        indexed = indexExactly(colours);
    } else {
        // The weights lean towards the flat ground of artwork, where SSIM
        // sees banding, and stay near plain counts for photographs, whose
        // error PSNR counts everywhere.
        shows = sensitivity(rgb);
        photograph = colours.colours.size() > std::size_t(kArtworkMaxColours) && mostlyTextured(shows);
        const std::vector<double> weight = weightsOf(colours, shows, photograph ? 0.85 : kArtworkBase);
        if (!photograph && colours.colours.size() <= kGroupMaxColours)
            indexed.palette = groupColours(colours.colours, 256, weight);
        else
            indexed.palette = liqPalette(source.convertToFormat(QImage::Format_RGBX8888));
        // Entries on flat ground are the last to merge, for photographs too.
        const std::vector<double> lean = photograph ? weightsOf(colours, shows, kArtworkBase) : std::vector<double>();
        error = refineColours(colours, indexed, weight, kRounds, lean);
    }
    lap(quantizeMs);
    qint64 added = 0;
    QByteArray bytes = exact ? QByteArray() : writeWithStandIns(indexed, colours, error, rgb, shows, photograph, added);
    if (bytes.isEmpty())
        bytes = writeGif(indexed, w, h);
    lap(encodeMs);
    if (report)
        *report = GifEncodeReport{quantizeMs, encodeMs, int(indexed.palette.size()), exact, error, error + added};
    return bytes;
}
