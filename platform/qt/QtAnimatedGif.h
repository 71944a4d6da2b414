#pragma once

#include "platform/AnimatedGif.h"

#include <QLabel>
#include <QPointer>

class QMovie;

// Plays a GIF with QMovie, holding only the frame on screen. The file's block
// structure is checked first, so a hostile one is refused before decoding.
class QtAnimatedGif final : public QLabel, public AnimatedGif
{
    Q_OBJECT
public:
    explicit QtAnimatedGif(QWidget *parent);

    QWidget *widget() override { return this; }
    void setFileName(const QString &path) override;
    float Width() const override;
    float Height() const override;

    // Refuses, with the reason, a file the control should not decode.
    static void checkPlayable(const QString &path);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QPointer<QMovie> m_movie;
};

class QtAnimatedGifFactory final : public AnimatedGifFactory
{
public:
    AnimatedGif &create(QWidget *parent) override { return *new QtAnimatedGif(parent); }
};
