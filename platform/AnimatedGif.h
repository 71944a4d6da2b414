#pragma once

#include <QSize>
#include <QString>

#include <memory>

class QWidget;

// The animated-GIF display: a control that plays a GIF file at its own frame
// delays and takes the animation's size.
class AnimatedGif
{
public:
    virtual ~AnimatedGif() = default;

    // The control itself, for the window that holds it to place and show.
    virtual QWidget *widget() = 0;
    // Loads the file and plays it. Throws Failure when it cannot be shown;
    // the control then keeps what it showed before.
    virtual void setFileName(const QString &path) = 0;
    // Twips, as the control stands now.
    virtual float Width() const = 0;
    virtual float Height() const = 0;
};

// Makes the control for each new window that holds one.
class AnimatedGifFactory
{
public:
    virtual ~AnimatedGifFactory() = default;
    // The control is a child of parent, which owns it.
    virtual AnimatedGif &create(QWidget *parent) = 0;
};
