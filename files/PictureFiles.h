#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>

#include <functional>

class Failure;

// Reading and writing pictures as files, safely: a bad, huge or hostile file
// is refused with a message that says what is wrong with it, and a failed
// write never costs the file it was to replace. Pictures are decoded in a
// process of their own (files/DecoderProcess.h); what runs there is here.
namespace PictureFiles {

// Pictures needing more than this many pixels (about 256 MB decoded) are
// refused before they are decoded; bigger files are not read at all.
inline constexpr qint64 kMaxPixels = 64LL * 1024 * 1024;
inline constexpr qint64 kMaxFileBytes = 256LL * 1024 * 1024;
// What a decoded picture may take in memory, deep ones included.
inline constexpr qint64 kMaxDecodedBytes = kMaxPixels * 4;
// Animations play in the editor itself, from memory, a frame at a time.
inline constexpr qint64 kMaxAnimationBytes = 64LL * 1024 * 1024;
inline constexpr qint64 kMaxAnimationPixels = 16LL * 1024 * 1024;
// How much of a file the editor reads itself, to refuse at once what the
// start of a file already shows.
inline constexpr qint64 kHeadBytes = 64LL * 1024;

// What is wrong with a file, in words that follow its name: "the file is
// truncated".
struct Refusal
{
    QString reason;
};

// The messages that name the file: "\"a.png\" could not be loaded: the file
// is truncated." and "... cannot be played: ...".
Failure loadFailure(const QString &path, const QString &reason);
Failure playFailure(const QString &path, const QString &reason);

// A 24-bit Windows bitmap, whatever extension the path has. Throws Failure.
void savePicture(const QImage &picture, const QString &path);

// Refuses what the start of a file (head) and its size show without
// decoding: an empty file, a size over the limits, a bitmap cut short.
// Throws Refusal.
void checkHead(QByteArrayView head, qint64 fileSize);

// Where a picture of a size and 32-bit format may be decoded into, such as
// memory shared with another process; a null picture when there is none.
using Canvas = std::function<QImage(QSize, QImage::Format)>;

// Decodes a whole file, as Qt's readers read it (first frame of a GIF), into
// the canvas where the reader makes a picture of its format. Throws Refusal.
QImage decode(QByteArrayView bytes, const Canvas &canvas = {});

// Checks a GIF that is to be played and decodes its first frame: not a GIF,
// no picture in it, frames too large to play. Throws Refusal.
QImage decodeFirstFrame(QByteArrayView bytes);

} // namespace PictureFiles
