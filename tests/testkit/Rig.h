#pragma once

#include "FakeClipboard.h"
#include "RecordingImageCopy.h"
#include "ScriptedDialogHost.h"
#include "ScriptedFileProbe.h"
#include "ScriptedGif.h"
#include "ScriptedLauncher.h"
#include "ScriptedRegistry.h"
#include "ScriptedWindowMover.h"
#include "app/ModStart.h"
#include "files/DecoderProcess.h"

#include <QAction>
#include <QImage>

#include <memory>

class FrmBanner;
class Parent;

// The whole program, started as the executable starts it, on scripted doubles.
class Rig
{
public:
    // With `ownEnd` the program ends the application as it would on its own.
    explicit Rig(bool ownEnd = false);
    ~Rig();

    ScriptedDialogHost dialogs;
    ScriptedWindowMover mover;
    ScriptedRegistry registry;
    ScriptedLauncher launcher;
    ScriptedFileProbe files;
    FakeClipboard clipboard;
    RecordingImageCopy imageCopy;
    ScriptedGifFactory gifs;
    // Pictures are read as the program reads them, through the decoder process.
    DecoderProcess pictures{QStringLiteral(TARVELLO_DECODER)};
    ModStart &app() { return *m_app; }
    Parent &parent();
    FrmBanner &banner();
    AppState &state() { return m_app->state(); }

    QAction *action(const QString &name);
    void trigger(const QString &name);
    void toolbar(const QString &key);

    // Mouse on the banner, in pixels of the banner.
    // Buttons held during a move are those pressed and not yet released.
    void press(QPoint at, Qt::MouseButton button = Qt::LeftButton);
    void move(QPoint at);
    void release(QPoint at, Qt::MouseButton button = Qt::LeftButton);
    // Press, drag and release with the left button.
    void drop(QPoint from, QPoint to);

    // Ends the program and returns what the dialog script got wrong, if anything.
    static QString finish(std::unique_ptr<Rig> &rig);

    QString readoutX();
    QString readoutY();

private:
    std::unique_ptr<ModStart> m_app;
};
