#pragma once

#include "files/DecoderProcess.h"
#include "platform/GifImageCopy.h"
#include "platform/Platform.h"
#include "platform/SystemFileProbe.h"
#include "platform/SystemLauncher.h"
#include "platform/SystemRegistry.h"
#include "platform/qt/QtAnimatedGif.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtDialogHost.h"
#include "platform/qt/QtWindowMover.h"

// The real services, for the program itself.
struct QtPlatform
{
    QtDialogHost dialogs;
    QtWindowMover mover;
    QtClipboard clipboard;
    GifImageCopy imageCopy;
    DecoderProcess pictures;
    QtAnimatedGifFactory gifs{pictures};
    SystemRegistry registry;
    SystemLauncher launcher;
    SystemFileProbe files;

    Platform services()
    {
        return Platform{dialogs, mover, clipboard, imageCopy, gifs, registry, launcher, files, pictures};
    }
};
