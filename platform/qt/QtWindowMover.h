#pragma once

#include "platform/WindowMover.h"

// Moves a child window with the pointer until every button is up, clamping
// the pointer to the window's parent as a title-bar drag does. Esc puts the
// window back where it was.
class QtWindowMover final : public WindowMover
{
public:
    void moveWindow(QWidget *window) override;
};
