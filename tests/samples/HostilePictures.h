#pragma once

#include <QByteArray>
#include <QSize>

// Files that are valid but costly to decode, made here so that no such file
// needs to be kept.
namespace HostilePictures {

// A grey progressive JPEG whose first scans are followed by `acScans` more,
// each covering every block with a single end-of-band run: a few bytes each,
// yet each makes the decoder visit the whole picture again.
QByteArray manyScanJpeg(QSize size, int acScans);

} // namespace HostilePictures
