#pragma once

#include <QByteArray>
#include <QImage>

// How one picture was encoded, for the benchmark and the tests.
struct GifEncodeReport
{
    double quantizeMs = 0;
    double encodeMs = 0;
    int colours = 0;    // palette entries used
    bool exact = false; // every pixel kept its colour
    // For pictures of up to 8192 colours: the squared error, summed over
    // pixels and channels, of each pixel's nearest entry, and as written.
    qint64 paletteError = 0;
    qint64 writtenError = 0;
};

// Encodes a picture as a GIF of the given size, scaling it first if the sizes
// differ. A picture of 256 colours or fewer is written exactly. A richer one
// is reduced to 256 colours: up to a few thousand colours (flat artwork,
// gradients) by a palette grouped from its own colours, with pixels along
// strong edges free to take a near entry when that codes shorter, at most
// 2.5 dB below the palette's own PSNR; photographs by the palette
// libimagequant finds. The same picture always gives the same bytes. Throws
// Failure.
QByteArray encodeGif(const QImage &picture, QSize size, GifEncodeReport *report = nullptr);

// Largest side a GIF can record.
inline constexpr int kGifMaxSide = 65535;
