#include "platform/qt/QtAnimatedGif.h"

#include "platform/PictureReader.h"
#include "platform/Units.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QPointer>
#include <QThreadPool>

#include <atomic>
#include <mutex>

namespace {

// The animation's bytes as a device that reads nothing more once playing is
// stopped, so that a decoder busy with a costly frame gives up at its next read.
class StoppableBuffer final : public QBuffer
{
public:
    StoppableBuffer(const QByteArray &bytes, const std::atomic_bool &stopped)
        : m_stopped(stopped)
    {
        setData(bytes);
        open(QIODevice::ReadOnly);
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override { return m_stopped ? -1 : QBuffer::readData(data, maxSize); }

private:
    const std::atomic_bool &m_stopped;
};

} // namespace

// What the worker thread decodes from; one frame at a time, so the mutex is
// never waited for.
struct QtAnimatedGif::Playback
{
    QByteArray bytes;
    std::atomic_bool stopped{false};
    std::mutex decoding;
    std::unique_ptr<StoppableBuffer> device;
    std::unique_ptr<QImageReader> reader;
    int framesRead = 0;
    int loopsPlayed = 0;

    void rewind()
    {
        reader.reset();
        device = std::make_unique<StoppableBuffer>(bytes, stopped);
        reader = std::make_unique<QImageReader>(device.get(), "gif");
        framesRead = 0;
    }

    // The next frame, from the start again after the last one as often as
    // the file asks; a null frame when playing is over.
    QImage next(int &delayMs)
    {
        const std::lock_guard lock(decoding);
        if (!reader)
            rewind();
        QImage frame;
        if (!reader->read(&frame)) {
            // Over after a single frame, a broken one or the file's loops.
            const int loops = reader->loopCount(); // -1: for ever
            if (stopped || framesRead <= 1 || (loops != -1 && ++loopsPlayed > loops))
                return QImage();
            rewind();
            if (!reader->read(&frame))
                return QImage();
        }
        ++framesRead;
        delayMs = reader->nextImageDelay();
        return frame;
    }
};

QtAnimatedGif::QtAnimatedGif(QWidget *parent, PictureReader &reader, int frameBudgetMs)
    : QLabel(parent)
    , m_reader(reader)
    , m_frameBudgetMs(frameBudgetMs)
{
    setObjectName(QStringLiteral("Gif"));
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_due.setSingleShot(true);
    m_budget.setSingleShot(true);
    connect(&m_due, &QTimer::timeout, this, &QtAnimatedGif::showPending);
    connect(&m_budget, &QTimer::timeout, this, &QtAnimatedGif::stop);
}

QtAnimatedGif::~QtAnimatedGif()
{
    stop();
}

void QtAnimatedGif::setFileName(const QString &path)
{
    // Read and checked first: a file that cannot be shown leaves what was shown.
    const PictureReader::Animation animation = m_reader.readAnimation(path);
    stop();
    m_playback = std::make_shared<Playback>();
    m_playback->bytes = animation.bytes;
    setPixmap(QPixmap::fromImage(animation.firstFrame));
    resize(animation.firstFrame.size());
    m_framesShown = 1;
    // The first frame again, for the delay after it; then on, one ahead.
    if (isVisible())
        requestFrame();
}

void QtAnimatedGif::requestFrame()
{
    if (!m_playback || m_decoding)
        return;
    m_decoding = true;
    m_budget.start(m_frameBudgetMs);
    const std::shared_ptr<Playback> playback = m_playback;
    QPointer<QtAnimatedGif> self(this);
    QThreadPool::globalInstance()->start([playback, self] {
        int delay = 0;
        const QImage frame = playback->next(delay);
        // Back on the window's thread, where `self` may be read.
        QCoreApplication *application = QCoreApplication::instance();
        if (!application)
            return;
        QMetaObject::invokeMethod(
            application,
            [playback, self, frame, delay] {
                if (self && self->m_playback == playback)
                    self->frameDecoded(frame, delay);
            },
            Qt::QueuedConnection);
    });
}

void QtAnimatedGif::frameDecoded(const QImage &frame, int delayMs)
{
    m_decoding = false;
    m_budget.stop();
    if (frame.isNull()) {
        stop();
        return;
    }
    // The first frame comes again with its delay: it is shown already.
    const bool first = m_playback->framesRead == 1 && m_playback->loopsPlayed == 0 && m_framesShown == 1;
    m_pending = first ? QImage() : frame;
    m_pendingDelay = delayMs > 10 ? delayMs : 100; // as browsers do with "as fast as possible"
    if (first) {
        m_due.start(m_pendingDelay);
        requestFrame();
    } else if (!m_due.isActive()) {
        showPending();
    }
}

void QtAnimatedGif::showPending()
{
    if (m_pending.isNull() || !isVisible())
        return;
    setPixmap(QPixmap::fromImage(m_pending));
    ++m_framesShown;
    m_pending = QImage();
    m_due.start(m_pendingDelay);
    requestFrame();
}

void QtAnimatedGif::stop()
{
    if (m_playback)
        m_playback->stopped = true;
    m_playback.reset();
    m_due.stop();
    m_budget.stop();
    m_pending = QImage();
    m_decoding = false;
}

float QtAnimatedGif::Width() const
{
    return Units::toTwips(float(width()));
}

float QtAnimatedGif::Height() const
{
    return Units::toTwips(float(height()));
}

// A hidden animation need not keep decoding.
void QtAnimatedGif::showEvent(QShowEvent *event)
{
    QLabel::showEvent(event);
    if (!m_pending.isNull() && !m_due.isActive())
        showPending();
    else
        requestFrame();
}

void QtAnimatedGif::hideEvent(QHideEvent *event)
{
    QLabel::hideEvent(event);
    m_due.stop();
}
