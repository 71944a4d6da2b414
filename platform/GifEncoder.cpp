#include "platform/GifEncoder.h"

#include "platform/Failure.h"
#include "platform/GifLzw.h"

#include <QElapsedTimer>
#include <QHash>

#include <gif_lib.h>
#include <libimagequant.h>

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <optional>
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

// With `remap` false only the palette is made; the caller maps the pixels.
void quantize(const QImage &rgba, int speed, Indexed &out, bool remap = true)
{
    const int w = rgba.width();
    const int h = rgba.height();
    std::unique_ptr<liq_attr, LiqDeleter> attr(liq_attr_create());
    if (!attr)
        throw Failure(QStringLiteral("The colour reduction could not start."));
    liq_set_max_colors(attr.get(), 256);
    liq_set_speed(attr.get(), speed);
    liq_set_quality(attr.get(), 0, 100);

    // Four bytes a pixel leave no padding between rows.
    std::unique_ptr<liq_image, LiqDeleter> image(liq_image_create_rgba(attr.get(), rgba.constBits(), w, h, 0));
    if (!image)
        throw Failure(QStringLiteral("The colour reduction could not read the picture."));
    liq_result *raw = nullptr;
    if (liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK || !raw)
        throw Failure(QStringLiteral("The picture's colours could not be reduced to 256."));
    std::unique_ptr<liq_result, LiqDeleter> result(raw);
    // Dithering noise costs both closeness (PSNR) and size (LZW) here.
    liq_set_dithering_level(result.get(), 0.0f);

    out.pixels.resize(std::size_t(w) * std::size_t(h));
    if (remap && liq_write_remapped_image(result.get(), image.get(), out.pixels.data(), out.pixels.size()) != LIQ_OK)
        throw Failure(QStringLiteral("The picture could not be mapped to its palette."));
    const liq_palette *palette = liq_get_palette(result.get());
    for (unsigned i = 0; i < palette->count; ++i)
        out.palette.push_back(GifColorType{palette->entries[i].r, palette->entries[i].g, palette->entries[i].b});
}

// Pictures with few distinct colours (flat banners with smoothed text,
// gradients) get a palette grouped from their own colours, refined by a few
// rounds of weighted k-means for plain RGB error, the error PSNR measures; a
// nearest-colour mapping without dithering keeps runs long for LZW.
constexpr int kRefineMaxColours = 8192;
// Grouping costs time in the square of the colours; above this many, liq's
// palette is refined instead.
constexpr int kGroupMaxColours = 4096;

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

int nearest(const std::vector<GifColorType> &palette, QRgb c, int *distance = nullptr)
{
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const int d = squaredDistance(palette[i], c);
        if (d < bestDistance) {
            bestDistance = d;
            best = int(i);
        }
    }
    if (distance)
        *distance = bestDistance;
    return best;
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

// The distinct colours and their counts, unless there are more than `cap`.
std::optional<Histogram> histogramUpTo(const QImage &rgb, int cap)
{
    Histogram hist;
    QHash<QRgb, std::uint32_t> slot;
    hist.colourOf.reserve(std::size_t(rgb.width()) * std::size_t(rgb.height()));
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = row[x] | 0xFF000000u;
            auto found = slot.constFind(c);
            if (found == slot.constEnd()) {
                if (int(hist.colours.size()) == cap)
                    return std::nullopt;
                found = slot.insert(c, std::uint32_t(hist.colours.size()));
                hist.colours.push_back(ColourCount{c, 0, 0});
            }
            ++hist.colours[found.value()].count;
            hist.colourOf.push_back(found.value());
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

// Ward's method: starting from the colours themselves, the two groups whose
// merging adds the least squared error are merged until `entries` are left.
// It keeps frequent colours exact and merges rare shades first, which makes
// a better start for k-means than liq's palette on smoothed edges. Merging by
// nearest-neighbour chains builds the whole tree in time n squared; its
// cheapest merges are then the ones the step-by-step method makes.
std::vector<GifColorType> groupColours(const std::vector<ColourCount> &colours, std::size_t entries)
{
    // The groups still unmerged, packed so that the search for a group's
    // nearest runs over plain arrays: mean red, green and blue, pixels, and
    // each group's number (its first colour's place).
    const std::size_t n = colours.size();
    std::vector<double> red(n), green(n), blue(n), pixels(n);
    std::vector<std::uint32_t> id(n);
    std::vector<std::size_t> place(n);
    for (std::size_t i = 0; i < n; ++i) {
        red[i] = qRed(colours[i].colour);
        green[i] = qGreen(colours[i].colour);
        blue[i] = qBlue(colours[i].colour);
        pixels[i] = double(colours[i].count);
        id[i] = std::uint32_t(i);
        place[i] = i;
    }
    std::vector<double> cost(n);
    struct Merge
    {
        double cost;
        std::uint32_t keep;
        std::uint32_t gone;
    };
    std::vector<Merge> merges;
    merges.reserve(n);
    std::vector<std::uint32_t> chain;
    std::size_t alive = n;
    while (alive > 1) {
        if (chain.empty())
            chain.push_back(id[0]);
        const std::size_t a = place[chain.back()];
        for (std::size_t j = 0; j < alive; ++j) {
            const double dr = red[a] - red[j];
            const double dg = green[a] - green[j];
            const double db = blue[a] - blue[j];
            cost[j] = pixels[a] * pixels[j] / (pixels[a] + pixels[j]) * (dr * dr + dg * dg + db * db);
        }
        cost[a] = std::numeric_limits<double>::infinity();
        // A tie goes to the group before on the chain, so that the chain ends.
        const bool hasPrevious = chain.size() >= 2;
        std::size_t best = hasPrevious ? place[chain[chain.size() - 2]] : a;
        for (std::size_t j = 0; j < alive; ++j) {
            if (cost[j] < cost[best])
                best = j;
        }
        if (!hasPrevious || best != place[chain[chain.size() - 2]]) {
            chain.push_back(id[best]);
            continue;
        }
        chain.resize(chain.size() - 2);
        const std::size_t keep = id[a] < id[best] ? a : best;
        const std::size_t gone = keep == a ? best : a;
        merges.push_back(Merge{cost[best], id[keep], id[gone]});
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
    for (std::size_t i = 0; i < n; ++i)
        addTo(sums[find(std::uint32_t(i))], colours[i]);
    std::vector<GifColorType> palette;
    for (const ColourSum &sum : sums) {
        if (sum[3] > 0)
            palette.push_back(meanOf(sum));
    }
    return palette;
}

// Returns the squared error of the mapping, summed over pixels and channels.
qint64 refineFewColours(Histogram &hist, Indexed &out)
{
    std::vector<ColourCount> &colours = hist.colours;
    std::vector<GifColorType> palette = out.palette;
    constexpr int rounds = 8;
    qint64 error = 0;
    for (int round = 0; round <= rounds; ++round) {
        error = 0;
        for (ColourCount &c : colours) {
            int distance = 0;
            c.index = nearest(palette, c.colour, &distance);
            error += distance * c.count;
        }
        if (round == rounds)
            break;
        std::vector<ColourSum> sums(palette.size(), {0, 0, 0, 0});
        for (const ColourCount &c : colours)
            addTo(sums[std::size_t(c.index)], c);
        bool moved = false;
        for (std::size_t i = 0; i < palette.size(); ++i) {
            if (sums[i][3] == 0)
                continue;
            const GifColorType mean = meanOf(sums[i]);
            moved = moved || mean.Red != palette[i].Red || mean.Green != palette[i].Green
                || mean.Blue != palette[i].Blue;
            palette[i] = mean;
        }
        if (!moved)
            round = rounds - 1; // settled: one last assignment
    }
    // Only the entries in use, in order of first use.
    std::vector<int> renumber(palette.size(), -1);
    out.palette.clear();
    out.pixels.resize(hist.colourOf.size());
    for (std::size_t at = 0; at < hist.colourOf.size(); ++at) {
        const int old = colours[hist.colourOf[at]].index;
        int &mapped = renumber[std::size_t(old)];
        if (mapped < 0) {
            mapped = int(out.palette.size());
            out.palette.push_back(palette[std::size_t(old)]);
        }
        out.pixels[at] = GifByteType(mapped);
    }
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
    for (int y = 0; y < bh * 4; ++y) {
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
    constexpr double c2 = (0.03 * 255) * (0.03 * 255); // the index's own constant
    const int ww = bw - 1;
    const int wh = bh - 1;
    std::vector<float> window(std::size_t(ww) * std::size_t(wh));
    for (int j = 0; j < wh; ++j) {
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
    for (int y = 0; y < bh * 4; ++y) {
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
    return out;
}

// The stand-ins each pixel may be coded as: other entries at most `most`
// squared units further from its colour than its own entry where an error
// hides best (along strong edges), proportionally less where it shows more,
// and none where it shows more than half as much as on flat ground. LZW takes
// one when it lets a string run on.
LzwLeeway leewayFor(const Histogram &hist, const std::vector<GifColorType> &palette, const std::vector<float> &shows,
                    double most)
{
    struct StandIns
    {
        std::array<std::uint8_t, LzwLeeway::kMost> entry{};
        std::array<int, LzwLeeway::kMost> extra{};
        int count = 0;
    };
    std::vector<StandIns> byColour(hist.colours.size());
    std::vector<std::pair<int, int>> others; // extra error, entry
    for (std::size_t k = 0; k < hist.colours.size(); ++k) {
        const ColourCount &c = hist.colours[k];
        const int own = squaredDistance(palette[std::size_t(c.index)], c.colour);
        others.clear();
        for (std::size_t i = 0; i < palette.size(); ++i) {
            const int d = squaredDistance(palette[i], c.colour);
            if (int(i) != c.index && d - own <= most)
                others.emplace_back(d - own, int(i));
        }
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
    LzwLeeway leeway;
    const std::size_t n = hist.colourOf.size();
    leeway.others.resize(n);
    leeway.count.resize(n);
    for (std::size_t at = 0; at < n; ++at) {
        const StandIns &s = byColour[hist.colourOf[at]];
        // Nearer flat ground stand-ins gained nothing measurable and cost time.
        const double hidden = 1 / double(shows[at]);
        const double limit = hidden < 2 ? -1 : std::min(most, most / 16 * hidden);
        int count = 0;
        while (count < s.count && s.extra[std::size_t(count)] <= limit)
            ++count;
        leeway.others[at] = s.entry;
        leeway.count[at] = std::uint8_t(count);
    }
    return leeway;
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

// With leeway, `coded` receives the pixels as written.
QByteArray writeGif(const Indexed &indexed, int w, int h, const LzwLeeway *leeway = nullptr,
                    std::vector<std::uint8_t> *coded = nullptr)
{
    int bits = 1;
    while ((1 << bits) < int(indexed.palette.size()))
        ++bits;
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
    ColorMapObject *map = GifMakeMapObject(int(entries.size()), entries.data());
    if (!map) {
        close();
        throw Failure(QStringLiteral("There is not enough memory for the GIF palette."));
    }
    // The screen takes the palette; the image has none of its own.
    if (EGifPutScreenDesc(gif, w, h, bits, 0, map) == GIF_ERROR
        || EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_ERROR) {
        const int code = gif->Error;
        GifFreeMapObject(map);
        close();
        throw Failure(gifError(code));
    }
    GifFreeMapObject(map);
    // giflib writes the file's structure; the codes are ours, smaller than its own.
    const int codeSize = std::max(bits, 2);
    const std::vector<std::uint8_t> data = leeway ? gifLzwEncode(indexed.pixels, codeSize, *leeway, *coded)
                                                  : gifLzwEncode(indexed.pixels, codeSize);
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
// would add more error than allowed. They may add at most this share of the
// palette's own squared error, 2.5 dB of PSNR; a picture that would need more
// tries again with half the leeway, twice.
QByteArray writeWithStandIns(const Indexed &indexed, const Histogram &few, qint64 error, const QImage &rgb,
                             qint64 &added)
{
    constexpr double kBudget = 1.778;
    const std::vector<float> shows = sensitivity(rgb);
    for (double most = 16; most >= 4; most /= 2) {
        const LzwLeeway leeway = leewayFor(few, indexed.palette, shows, most);
        std::vector<std::uint8_t> coded;
        QByteArray gif = writeGif(indexed, rgb.width(), rgb.height(), &leeway, &coded);
        added = 0;
        for (std::size_t at = 0; at < coded.size(); ++at) {
            if (coded[at] == indexed.pixels[at])
                continue;
            const QRgb colour = few.colours[few.colourOf[at]].colour;
            added += squaredDistance(indexed.palette[coded[at]], colour)
                - squaredDistance(indexed.palette[indexed.pixels[at]], colour);
        }
        if (double(error + added) <= kBudget * double(error))
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
    std::optional<Histogram> few = histogramUpTo(rgb, kRefineMaxColours);
    const bool exact = few && few->colours.size() <= 256;
    qint64 error = 0;
    if (exact) {
        indexed = indexExactly(*few);
        few.reset();
    } else {
        auto rgbx = [&source] { return source.convertToFormat(QImage::Format_RGBX8888); };
        // Many colours (photographs): liq's slower searches cost seconds for
        // a fraction of a decibel. A palette refined afterwards makes its
        // slower searches worth no more than a middling one.
        if (!few)
            quantize(rgbx(), 10, indexed);
        else if (few->colours.size() <= std::size_t(kGroupMaxColours))
            indexed.palette = groupColours(few->colours, 256);
        else
            quantize(rgbx(), 5, indexed, false);
        if (few)
            error = refineFewColours(*few, indexed);
    }
    lap(quantizeMs);
    qint64 added = 0;
    QByteArray bytes = few ? writeWithStandIns(indexed, *few, error, rgb, added) : QByteArray();
    if (bytes.isEmpty())
        bytes = writeGif(indexed, w, h);
    lap(encodeMs);
    if (report)
        *report = GifEncodeReport{quantizeMs, encodeMs, int(indexed.palette.size()), exact, error, error + added};
    return bytes;
}
