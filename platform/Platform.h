#pragma once

class DialogHost;
class WindowMover;

// The services the program reaches the system through; owned elsewhere.
struct Platform
{
    DialogHost &dialogs;
    WindowMover &mover;
};
