#pragma once

#include "platform/OleColor.h"

#include <functional>

class QString;

// What the banner needs of the main window: the position readouts, the
// background swatch, and running a handler so that a failure is reported.
class BannerHost
{
public:
    virtual ~BannerHost() = default;
    virtual void showPosition(const QString &x, const QString &y) = 0;
    virtual void setBackgroundSwatch(OleColor::Value color) = 0;
    virtual void guard(const std::function<void()> &handler) = 0;
};
