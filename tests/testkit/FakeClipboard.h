#pragma once

#include "platform/Clipboard.h"
#include "platform/Failure.h"

// An in-process clipboard; `refuse` makes it give nothing back, as when
// another program holds the system clipboard, and `fail` makes every call fail.
class FakeClipboard final : public Clipboard
{
public:
    void clear() override
    {
        failIfAsked();
        ++clears;
        held = QImage();
    }
    void setImage(const QImage &image) override
    {
        failIfAsked();
        ++sets;
        held = image;
    }
    QImage image() const override
    {
        failIfAsked();
        return refuse ? QImage() : held;
    }

    QImage held;
    bool refuse = false;
    bool fail = false;
    int sets = 0;
    int clears = 0;

private:
    void failIfAsked() const
    {
        if (fail)
            throw Failure(QStringLiteral("The clipboard cannot be opened."));
    }
};
