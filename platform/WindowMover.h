#pragma once

class QWidget;

// The interactive move of a window without a title bar: the window follows the
// pointer inside its parent until the button is released. Returns only then.
class WindowMover
{
public:
    virtual ~WindowMover() = default;
    virtual void moveWindow(QWidget *window) = 0;
};
