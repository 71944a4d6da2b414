#pragma once

#include "platform/Failure.h"
#include "platform/GifImageCopy.h"

#include <vector>

// Records what the program asks of the image-copy component, and writes the
// GIF with the real encoder when `write` is on.
class RecordingImageCopy final : public ImageCopy
{
public:
    struct Call
    {
        QImage bitmap;
        QString path;
        long width;
        long height;
    };

    void setMode(long m) override { modes.push_back(m); }
    void copyToGif(const QImage &bitmap, const QString &path, long width, long height) override
    {
        calls.push_back(Call{bitmap, path, width, height});
        if (fail)
            throw Failure(QStringLiteral("The GIF writer failed."));
        if (write)
            real.copyToGif(bitmap, path, width, height);
    }

    std::vector<long> modes;
    std::vector<Call> calls;
    bool write = false;
    bool fail = false;
    GifImageCopy real;
};
