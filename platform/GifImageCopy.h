#pragma once

#include "platform/GifEncoder.h"
#include "platform/ImageCopy.h"

// The image-copy component on our own GIF encoder.
class GifImageCopy final : public ImageCopy
{
public:
    void setMode(long mode) override { m_mode = mode; }
    long mode() const { return m_mode; }
    void copyToGif(const QImage &bitmap, const QString &path, long width, long height) override;
    // The same, telling how the encoding went.
    static void write(const QImage &bitmap, const QString &path, QSize size, GifEncodeReport *report);

private:
    long m_mode = 1;
};
