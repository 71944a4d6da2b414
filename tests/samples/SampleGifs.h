#pragma once

#include <QImage>
#include <QList>
#include <QString>

// Writes animated GIF files for the tests and benchmarks to read: the
// product itself only ever writes single pictures.
namespace SampleGifs {

// Each frame covers the whole screen and stays for delay hundredths of a
// second; the animation loops for ever. Frames need 256 colours or fewer.
bool write(const QString &path, const QList<QImage> &frames, int delay = 10);

// A frame of one colour.
QImage solid(QSize size, QColor color);

} // namespace SampleGifs
