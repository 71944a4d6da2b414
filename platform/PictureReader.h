#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Reads picture files, which may be damaged, huge or hostile: whatever a
// file holds, reading it ends within a few seconds with its picture or with
// a Failure that names the file and says what is wrong with it, and the
// program goes on.
class PictureReader
{
public:
    virtual ~PictureReader() = default;

    // A still picture (the first frame of a GIF). An empty path gives the
    // empty picture.
    virtual QImage read(const QString &path) = 0;

    // A GIF to play: its bytes, read once, and its first frame, decoded from
    // them. A player decodes those bytes, never the file again.
    struct Animation
    {
        QByteArray bytes;
        QImage firstFrame;
    };
    virtual Animation readAnimation(const QString &path) = 0;
};
