#pragma once

#include "platform/Clipboard.h"

// An in-process clipboard; `refuse` makes it give nothing back, as when
// another program holds the system clipboard.
class FakeClipboard final : public Clipboard
{
public:
    void clear() override
    {
        ++clears;
        held = QImage();
    }
    void setImage(const QImage &image) override
    {
        ++sets;
        held = image;
    }
    QImage image() const override { return refuse ? QImage() : held; }

    QImage held;
    bool refuse = false;
    int sets = 0;
    int clears = 0;
};
