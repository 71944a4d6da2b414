#pragma once

#include "platform/Platform.h"
#include "platform/qt/QtDialogHost.h"
#include "platform/qt/QtWindowMover.h"

// The real services, for the program itself.
struct QtPlatform
{
    QtDialogHost dialogs;
    QtWindowMover mover;

    Platform services() { return Platform{dialogs, mover}; }
};
