#include "ScriptedWindowMover.h"

#include <QWidget>

void ScriptedWindowMover::moveWindow(QWidget *window)
{
    ++calls;
    if (window)
        window->move(window->pos() + offset);
    if (duringMove)
        duringMove();
}
