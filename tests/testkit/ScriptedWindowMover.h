#pragma once

#include "platform/WindowMover.h"

#include <QPoint>

#include <functional>

// Stands in for the interactive move: records each call and moves the window
// by the offset the test set, as if the user had dragged it that far.
class ScriptedWindowMover final : public WindowMover
{
public:
    void moveWindow(QWidget *window) override;

    QPoint offset;
    int calls = 0;
    // Called when the move "ends", before the handler goes on.
    std::function<void()> duringMove;
};
