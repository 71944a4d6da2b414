#include "platform/AtomicFile.h"

#include "platform/Failure.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

[[noreturn]] void fail(const QString &path, const QString &reason)
{
    throw Failure(QStringLiteral("\"%1\" could not be saved: %2.").arg(QDir::toNativeSeparators(path), reason));
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
    if (!write(file)) {
        const QString reason = file.error() != QFileDevice::NoError
            ? file.errorString()
            : QStringLiteral("the picture could not be encoded");
        file.cancelWriting();
        fail(path, reason);
    }
    // The last buffered bytes reach the disk only here; commit() would
    // replace the file even when they do not fit.
    if (!file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        fail(path, reason);
    }
    if (!file.commit())
        fail(path, file.errorString());
}
