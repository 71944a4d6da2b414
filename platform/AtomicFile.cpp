#include "platform/AtomicFile.h"

#include "platform/Failure.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

namespace {

[[noreturn]] void fail(const QString &path, const QString &reason)
{
    throw Failure(QStringLiteral("\"%1\" could not be saved: %2.").arg(QDir::toNativeSeparators(path), reason));
}

// The system's own word for a failed write (a full disk, a file too large)
// says more than the stream's; it is kept from the failing call itself.
QString systemReason(int error, const QString &otherwise)
{
    if (error == ENOSPC || error == EFBIG || error == EDQUOT || error == EIO)
        return QString::fromLocal8Bit(std::strerror(error));
    return otherwise;
}

} // namespace

void writeFileAtomically(const QString &path, const std::function<bool(QIODevice &)> &write)
{
    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        fail(path, QStringLiteral("the folder does not exist"));
    if (info.isDir())
        fail(path, QStringLiteral("it is a folder"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(path, file.errorString());
    errno = 0;
    if (!write(file)) {
        const QString reason = systemReason(errno,
                                            file.error() != QFileDevice::NoError
                                                ? file.errorString()
                                                : QStringLiteral("the picture could not be encoded"));
        file.cancelWriting();
        fail(path, reason);
    }
    // The last buffered bytes reach the disk only here; commit() would
    // replace the file even when they do not fit.
    errno = 0;
    if (!file.flush()) {
        const QString reason = systemReason(errno, file.errorString());
        file.cancelWriting();
        fail(path, reason);
    }
    if (!file.commit())
        fail(path, file.errorString());
}
