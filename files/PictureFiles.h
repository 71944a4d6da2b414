#pragma once

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

// A 24-bit Windows bitmap, whatever extension the path has. Throws Failure.
void savePicture(const QImage &picture, const QString &path);

// What Qt's readers read (first frame of a GIF). An empty path gives the empty
// picture. Throws Failure.
QImage loadPicture(const QString &path);

} // namespace PictureFiles
