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

// Up to 256 colours: each keeps its own entry, in order of first appearance.
bool indexExactly(const QImage &rgb, Indexed &out)
{
    QHash<QRgb, int> index;
    index.reserve(257);
    const int w = rgb.width();
    const int h = rgb.height();
    out.pixels.resize(std::size_t(w) * std::size_t(h));
    std::size_t at = 0;
    for (int y = 0; y < h; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb colour = row[x] | 0xFF000000u;
            auto found = index.constFind(colour);
            if (found == index.constEnd()) {
                if (index.size() == 256)
                    return false;
                found = index.insert(colour, int(index.size()));
                out.palette.push_back(
                    GifColorType{GifByteType(qRed(colour)), GifByteType(qGreen(colour)), GifByteType(qBlue(colour))});
            }
            out.pixels[at++] = GifByteType(found.value());
        }
    }
    return true;
}

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

// Pictures with few distinct colours (flat banners with smoothed text) are
// mapped again in plain RGB, with the palette refined by a few rounds of
// weighted k-means: this minimises the very error PSNR measures, and a
// nearest-colour mapping without dithering keeps runs long for LZW.
constexpr int kRefineMaxColours = 8192;

struct ColourCount
{
    QRgb colour;
    qint64 count;
    int index;
};

int nearest(const std::vector<GifColorType> &palette, QRgb c, int *distance = nullptr)
{
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const int dr = qRed(c) - palette[i].Red;
        const int dg = qGreen(c) - palette[i].Green;
        const int db = qBlue(c) - palette[i].Blue;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = int(i);
        }
    }
    if (distance)
        *distance = bestDistance;
    return best;
}

struct Histogram
{
    QHash<QRgb, int> slot; // colour to its place in `colours`
    std::vector<ColourCount> colours;
};

// The distinct colours and their counts, unless there are more than `cap`.
std::optional<Histogram> histogramUpTo(const QImage &rgb, int cap)
{
    Histogram hist;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = row[x] | 0xFF000000u;
            auto found = hist.slot.constFind(c);
            if (found == hist.slot.constEnd()) {
                if (int(hist.colours.size()) == cap)
                    return std::nullopt;
                found = hist.slot.insert(c, int(hist.colours.size()));
                hist.colours.push_back(ColourCount{c, 0, 0});
            }
            ++hist.colours[std::size_t(found.value())].count;
        }
    }
    return hist;
}

// Returns the squared error of the mapping, summed over pixels and channels.
qint64 refineFewColours(const QImage &rgb, Histogram &hist, Indexed &out)
{
    const int w = rgb.width();
    const int h = rgb.height();
    const QHash<QRgb, int> &slot = hist.slot;
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
        std::vector<std::array<qint64, 4>> sums(palette.size(), {0, 0, 0, 0});
        for (const ColourCount &c : colours) {
            auto &s = sums[std::size_t(c.index)];
            s[0] += qRed(c.colour) * c.count;
            s[1] += qGreen(c.colour) * c.count;
            s[2] += qBlue(c.colour) * c.count;
            s[3] += c.count;
        }
        bool moved = false;
        for (std::size_t i = 0; i < palette.size(); ++i) {
            const auto &s = sums[i];
            if (s[3] == 0)
                continue;
            const GifColorType mean{GifByteType((s[0] + s[3] / 2) / s[3]), GifByteType((s[1] + s[3] / 2) / s[3]),
                                    GifByteType((s[2] + s[3] / 2) / s[3])};
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
    std::size_t at = 0;
    for (int y = 0; y < h; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const int old = colours[std::size_t(slot.value(row[x] | 0xFF000000u))].index;
            int &mapped = renumber[std::size_t(old)];
            if (mapped < 0) {
                mapped = int(out.palette.size());
                out.palette.push_back(palette[std::size_t(old)]);
            }
            out.pixels[at++] = GifByteType(mapped);
        }
    }
    return error;
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

QByteArray writeGif(const Indexed &indexed, int w, int h)
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
    const std::vector<std::uint8_t> data = gifLzwEncode(indexed.pixels, std::max(bits, 2));
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
    const bool exact = indexExactly(rgb, indexed);
    // Few colours: the palette is refined for plain RGB error afterwards,
    // which makes liq's slower searches worth no more than a middling one
    // (the same bytes on flat banners, 0.02 dB on gradients, twice the
    // time). Many (photographs): its slower searches cost seconds for a
    // fraction of a decibel.
    std::optional<Histogram> few;
    if (!exact) {
        indexed = Indexed();
        few = histogramUpTo(rgb, kRefineMaxColours);
        if (!few)
            quantize(source.convertToFormat(QImage::Format_RGBX8888), 10, indexed);
    }
    lap(quantizeMs);
    auto encode = [&](const Indexed &palette) {
        QByteArray gif = writeGif(palette, w, h);
        lap(encodeMs);
        return gif;
    };
    QByteArray bytes;
    if (!few) {
        bytes = encode(indexed);
    } else {
        const QImage rgbx = source.convertToFormat(QImage::Format_RGBX8888);
        // The squared error of a palette made by liq at `speed` and refined.
        auto paletteAt = [&](int speed, Indexed &out) {
            quantize(rgbx, speed, out, false);
            const qint64 error = refineFewColours(rgb, *few, out);
            lap(quantizeMs);
            return error;
        };
        const qint64 error = paletteAt(5, indexed);
        bytes = encode(indexed);
        // A second palette, from liq's fastest search (input rounded to 7 bits,
        // no weighting by local contrast), groups the smoothed shades of text on
        // flat colour more coarsely: smaller files on such banners for a fraction
        // of a decibel. It is kept only when it is smaller and its squared error
        // at most a third above the first's (about 1.25 dB); on gradients it
        // bands, and loses more.
        Indexed coarse;
        if (paletteAt(8, coarse) * 3 <= error * 4) {
            QByteArray smaller = encode(coarse);
            if (smaller.size() < bytes.size()) {
                bytes = std::move(smaller);
                indexed = std::move(coarse);
            }
        }
    }
    if (report)
        *report = GifEncodeReport{quantizeMs, encodeMs, int(indexed.palette.size()), exact};
    return bytes;
}
