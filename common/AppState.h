#pragma once

#include <QString>

// The program-wide state the commands arm and the banner consumes. One
// instance, owned by ModStart, passed by reference.
struct AppState
{
    bool TextPending = false;
    float BackColorPending = 0.0f; // -1 when armed; readers test it against zero
    QString BannerText;
};
