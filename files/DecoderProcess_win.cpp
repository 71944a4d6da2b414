#include "files/DecoderProcess.h"

#include "files/PictureFiles.h"
#include "platform/Failure.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

// Windows builds decode in the program's own process, with the same checks.
namespace {

QByteArray readRegular(const QString &path, qint64 limit, Failure (*fail)(const QString &, const QString &))
{
    const QFileInfo info(path);
    if (!info.exists())
        throw fail(path, QStringLiteral("the file does not exist"));
    if (!info.isFile())
        throw fail(path, QStringLiteral("it is not a regular file"));
    if (info.size() > limit)
        throw fail(path, QStringLiteral("the file is too large (over %1 MB)").arg(limit / (1024 * 1024)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw fail(path, QStringLiteral("the file cannot be read (%1)").arg(file.errorString()));
    return file.readAll();
}

} // namespace

class StartedDecoder
{ };

DecoderProcess::DecoderProcess(QString helper)
    : m_helper(std::move(helper))
{ }

DecoderProcess::~DecoderProcess() = default;

QString DecoderProcess::defaultHelper()
{
    return QString();
}

QImage DecoderProcess::read(const QString &path)
{
    if (path.isEmpty())
        return QImage();
    try {
        return PictureFiles::decode(readRegular(path, PictureFiles::kMaxFileBytes, PictureFiles::loadFailure));
    } catch (const PictureFiles::Refusal &refusal) {
        throw PictureFiles::loadFailure(path, refusal.reason);
    }
}

PictureReader::Animation DecoderProcess::readAnimation(const QString &path)
{
    Animation animation;
    animation.bytes = readRegular(path, PictureFiles::kMaxAnimationBytes, PictureFiles::playFailure);
    try {
        animation.firstFrame = PictureFiles::decodeFirstFrame(animation.bytes);
    } catch (const PictureFiles::Refusal &refusal) {
        throw PictureFiles::playFailure(path, refusal.reason);
    }
    return animation;
}
