#pragma once

class AnimatedGifFactory;
class Clipboard;
class DialogHost;
class FileProbe;
class ImageCopy;
class Launcher;
class PictureReader;
class Registry;
class WindowMover;

// The services the program reaches the system through; owned elsewhere.
struct Platform
{
    DialogHost &dialogs;
    WindowMover &mover;
    Clipboard &clipboard;
    ImageCopy &imageCopy;
    AnimatedGifFactory &gifs;
    Registry &registry;
    Launcher &launcher;
    FileProbe &files;
    PictureReader &pictures;
};
