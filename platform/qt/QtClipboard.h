#pragma once

#include "platform/Clipboard.h"

// The system clipboard; pictures go on it as images other programs can paste.
class QtClipboard final : public Clipboard
{
public:
    void clear() override;
    void setImage(const QImage &image) override;
    QImage image() const override;
};
