#pragma once

#include <QImage>
#include <QString>

// The image-copy component: writes a bitmap as a GIF file.
class ImageCopy
{
public:
    virtual ~ImageCopy() = default;

    // The component's mode; 1 asks for its best quality.
    virtual void setMode(long mode) = 0;
    // Writes the bitmap as a GIF of width by height pixels at path. Throws
    // Failure; an existing file is only replaced by a complete one.
    virtual void copyToGif(const QImage &bitmap, const QString &path, long width, long height) = 0;
};
