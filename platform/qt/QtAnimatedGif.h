#pragma once

#include "platform/AnimatedGif.h"

#include <QLabel>
#include <QTimer>

#include <memory>

class PictureReader;

// Plays a GIF from the bytes the picture reader checked when the file was
// set, never from the file again. Frames are decoded one ahead on a worker
// thread, so the window never waits for one: a frame that takes longer than
// the budget ends the playing, and the frame shown stays.
class QtAnimatedGif final : public QLabel, public AnimatedGif
{
    Q_OBJECT
public:
    static constexpr int kFrameBudgetMs = 500;

    QtAnimatedGif(QWidget *parent, PictureReader &reader, int frameBudgetMs = kFrameBudgetMs);
    ~QtAnimatedGif() override;

    QWidget *widget() override { return this; }
    void setFileName(const QString &path) override;
    float Width() const override;
    float Height() const override;

    bool isPlaying() const { return m_playback != nullptr; }
    // Frames shown since the file was set, the first one included.
    int framesShown() const { return m_framesShown; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    struct Playback;
    void requestFrame();
    void frameDecoded(const QImage &frame, int delayMs);
    void showPending();
    void stop();

    PictureReader &m_reader;
    const int m_frameBudgetMs;
    std::shared_ptr<Playback> m_playback;
    QTimer m_due;    // when the next frame is to be shown
    QTimer m_budget; // how long its decoding may take
    QImage m_pending;
    int m_pendingDelay = 0;
    bool m_decoding = false;
    int m_framesShown = 0;
};

class QtAnimatedGifFactory final : public AnimatedGifFactory
{
public:
    explicit QtAnimatedGifFactory(PictureReader &reader)
        : m_reader(reader)
    { }
    AnimatedGif &create(QWidget *parent) override { return *new QtAnimatedGif(parent, m_reader); }

private:
    PictureReader &m_reader;
};
