#pragma once

#include <QGuiApplication>

// Shows the busy cursor for as long as it lives: around work, such as
// decoding a large picture, that keeps the window from answering.
class BusyCursor final
{
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};
