#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>

// Reading and writing pictures as files, safely: a bad, huge or hostile file
// is refused with a message that says what is wrong with it, and a failed
// write never costs the file it was to replace.
namespace PictureFiles {

// Pictures needing more than this many pixels (about 256 MB decoded) are
// refused before they are decoded; bigger files are not read at all.
inline constexpr qint64 kMaxPixels = 64LL * 1024 * 1024;
inline constexpr qint64 kMaxFileBytes = 256LL * 1024 * 1024;
// What a decoded picture may take in memory, deep ones included.
inline constexpr qint64 kMaxDecodedBytes = kMaxPixels * 4;
// Pictures whose decoding is estimated to take longer than this are refused:
// the pixel limit alone does not bound the time a decoder may take.
inline constexpr double kMaxDecodeMs = 1500;
// A frame of an animation is decoded while the user waits for the next one.
inline constexpr double kMaxFrameMs = 150;

// The estimated decoding time of a picture on a machine like the one we
// build on, from what its structure says. Formats not listed cost nothing.
struct DecodeCost
{
    QByteArray format;
    qint64 pixels = 0;
    qint64 bytes = 0;
    bool progressive = false;
    qint64 blockScans = 0; // 8 x 8 blocks times scans, for progressive JPEGs
    double milliseconds() const;
};

// A 24-bit Windows bitmap, whatever extension the path has. Throws Failure.
void savePicture(const QImage &picture, const QString &path);

// What Qt's readers read (first frame of a GIF). An empty path gives the empty
// picture. Throws Failure.
QImage loadPicture(const QString &path);

// The same checks and decoding for a file already in memory; path only
// names it in messages. Throws Failure.
QImage decodePicture(QByteArrayView bytes, const QString &path);

// Refuses, saying why, a GIF that should not be played: not a GIF, no
// picture in it, or frames too large or too costly to decode one by one.
void checkAnimation(QByteArrayView bytes, const QString &path);

} // namespace PictureFiles
