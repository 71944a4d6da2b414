#pragma once

#include "platform/OleColor.h"

class QString;

// What the banner needs of the main window: the position readouts and the
// background swatch.
class BannerHost
{
public:
    virtual ~BannerHost() = default;
    virtual void showPosition(const QString &x, const QString &y) = 0;
    virtual void setBackgroundSwatch(OleColor::Value color) = 0;
};
