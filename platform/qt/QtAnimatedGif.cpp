#include "platform/qt/QtAnimatedGif.h"

#include "files/PictureFiles.h"
#include "platform/Failure.h"
#include "platform/Units.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMovie>

namespace {

[[noreturn]] void refuse(const QString &path, const QString &what)
{
    throw Failure(QStringLiteral("\"%1\" cannot be played: %2.").arg(QDir::toNativeSeparators(path), what));
}

} // namespace

QtAnimatedGif::QtAnimatedGif(QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("Gif"));
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void QtAnimatedGif::checkPlayable(const QString &path)
{
    const QFileInfo info(path);
    // Pipes and devices could block the read for ever.
    if (!info.isFile())
        refuse(path, QStringLiteral("it is not a regular file"));
    if (info.size() > PictureFiles::kMaxFileBytes)
        refuse(path, QStringLiteral("the file is too large"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        refuse(path, file.errorString());
    const qint64 size = file.size();
    const uchar *mapped = size > 0 ? file.map(0, size) : nullptr;
    const QByteArray read = mapped ? QByteArray() : file.readAll();
    PictureFiles::checkAnimation(mapped ? QByteArrayView(mapped, size) : QByteArrayView(read), path);
}

void QtAnimatedGif::setFileName(const QString &path)
{
    checkPlayable(path);
    auto movie = std::make_unique<QMovie>(path, QByteArray("gif"));
    movie->setCacheMode(QMovie::CacheNone);
    // Starting decodes the first frame at once, so a broken one shows here.
    if (movie->isValid())
        movie->start();
    const QSize size = movie->currentImage().size();
    if (movie->state() != QMovie::Running || size.isEmpty())
        refuse(path, QStringLiteral("the animation is damaged"));

    QMovie *old = m_movie;
    m_movie = movie.release();
    m_movie->setParent(this);
    setMovie(m_movie);
    delete old;
    resize(size);
    if (!isVisible())
        m_movie->setPaused(true);
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
    if (m_movie && m_movie->state() == QMovie::Paused)
        m_movie->setPaused(false);
}

void QtAnimatedGif::hideEvent(QHideEvent *event)
{
    QLabel::hideEvent(event);
    if (m_movie && m_movie->state() == QMovie::Running)
        m_movie->setPaused(true);
}
