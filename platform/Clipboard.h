#pragma once

#include <QImage>

// The system clipboard, as far as pictures go.
class Clipboard
{
public:
    virtual ~Clipboard() = default;
    virtual void clear() = 0;
    virtual void setImage(const QImage &image) = 0;
    virtual QImage image() const = 0;
};
