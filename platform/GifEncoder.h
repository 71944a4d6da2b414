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
    // For pictures of over 256 colours: the squared error, summed over
    // pixels and channels, of each pixel's nearest entry, and as written.
    qint64 paletteError = 0;
    qint64 writtenError = 0;
};

// Encodes a picture as a GIF of the given size, scaling it first if the sizes
// differ. A picture of 256 colours or fewer is written exactly. A richer one
// is reduced to 256 colours by a palette refined with k-means for plain RGB
// error from a start grouped from its own colours (up to a few thousand:
// flat artwork, gradients) or from libimagequant's (photographs); each
// colour weighs by its pixels, leaning towards flat ground, where banding
// shows, for artwork. Pixels along strong edges are free to take a near
// entry when that codes shorter, at most 0.8 dB below the palette's own
// PSNR. The same picture always gives the same bytes. Throws Failure.
QByteArray encodeGif(const QImage &picture, QSize size, GifEncodeReport *report = nullptr);

// Largest side a GIF can record.
inline constexpr int kGifMaxSide = 65535;
