#include "files/DecoderProcess.h"

#include "files/DecoderProtocol.h"
#include "files/PictureFiles.h"
#include "platform/Failure.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

extern char **environ;

namespace {

using Fail = Failure (*)(const QString &path, const QString &reason);
constexpr qint64 kMegabyte = 1024 * 1024;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

class Descriptor
{
public:
    explicit Descriptor(int fd = -1)
        : m_fd(fd)
    { }
    ~Descriptor() { reset(); }
    Descriptor(Descriptor &&other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    { }
    Descriptor &operator=(Descriptor &&) = delete;

    int get() const { return m_fd; }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

// The file, if it is a regular one of at most `limit` bytes: a pipe or a
// device could block a read for ever, so nothing else is read from.
Descriptor openRegular(const QString &path, qint64 limit, Fail fail, qint64 &size)
{
    Descriptor file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.get() < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            throw fail(path, QStringLiteral("the file does not exist"));
        throw fail(path, QStringLiteral("the file cannot be read (%1)").arg(systemError(error)));
    }
    struct stat info = {};
    if (fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        throw fail(path, QStringLiteral("it is not a regular file"));
    if (info.st_size > limit)
        throw fail(path, QStringLiteral("the file is too large (over %1 MB)").arg(limit / kMegabyte));
    if (info.st_size == 0)
        throw fail(path, QStringLiteral("the file is empty"));
    size = info.st_size;
    return file;
}

// A started decoder, stopped and reaped however the wait for it ends.
class Child
{
public:
    explicit Child(pid_t pid)
        : m_pid(pid)
    { }
    ~Child()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
    }
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    // Its exit status once it has ended; false while it runs.
    bool ended(int &status)
    {
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done != m_pid)
            return false;
        m_pid = 0;
        return true;
    }

private:
    pid_t m_pid;
};

pid_t spawn(const QString &helper, const char *mode, int input, int output)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    // The decoder starts with no blocked and no ignored signals, whatever the
    // editor's threads hold.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigfillset(&signals);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const QByteArray program = QFile::encodeName(helper);
    char *arguments[] = {const_cast<char *>(program.constData()), const_cast<char *>(mode), nullptr};
    pid_t pid = 0;
    const int error = posix_spawn(&pid, program.constData(), &actions, &attributes, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0)
        throw QStringLiteral("the picture decoder %1 cannot be started (%2)").arg(helper, systemError(error));
    return pid;
}

const QString kTooLong = QStringLiteral("it took too long to decode");

// What the decoder answered for its input: the file behind `input`, or the
// bytes `feed` when input is -1. Throws QString, the reason it gave none.
QImage runDecoder(const QString &helper, const char *mode, int input, QByteArrayView feed, QString &refusal)
{
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        throw QStringLiteral("the picture decoder cannot be started (%1)").arg(systemError(errno));
    Descriptor fromChild(pipe[0]), childOut(pipe[1]);
    Descriptor toChild, childIn;
    if (input < 0) {
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
            throw QStringLiteral("the picture decoder cannot be started (%1)").arg(systemError(errno));
        toChild.reset(pair[0]);
        childIn.reset(pair[1]);
        input = pair[1];
    }
    QElapsedTimer clock;
    clock.start();
    Child child(spawn(helper, mode, input, childOut.get()));
    childOut.reset();
    childIn.reset();
    ::fcntl(fromChild.get(), F_SETFL, O_NONBLOCK);

    QByteArray header;
    DecoderProtocol::Announced announced;
    QByteArray reason;
    qint64 received = 0;
    qsizetype fed = 0;
    bool ended = false;
    while (!ended) {
        const qint64 left = DecoderProcess::kDeadlineMs - clock.elapsed();
        if (left <= 0)
            throw kTooLong;
        const bool feeding = toChild.get() >= 0;
        pollfd ends[2] = {{fromChild.get(), POLLIN, 0}, {toChild.get(), POLLOUT, 0}};
        if (::poll(ends, feeding ? 2 : 1, int(left)) < 0 && errno != EINTR)
            throw QStringLiteral("waiting for the decoder failed (%1)").arg(systemError(errno));
        if (feeding && ends[1].revents != 0) {
            const ssize_t n = ::send(toChild.get(), feed.data() + fed, size_t(qMin<qsizetype>(feed.size() - fed, kMegabyte)),
                                     MSG_NOSIGNAL | MSG_DONTWAIT);
            fed += qMax<ssize_t>(n, 0);
            // All given, or the decoder stopped reading: it sees the end.
            if (fed == feed.size() || (n < 0 && errno != EAGAIN && errno != EINTR))
                toChild.reset();
        }
        if (ends[0].revents == 0)
            continue;
        // The header, then what it announced; anything after it is refused below.
        char spare[4096];
        char *into = spare;
        qint64 room = sizeof spare;
        if (header.size() < DecoderProtocol::kHeaderBytes) {
            room = DecoderProtocol::kHeaderBytes - header.size();
        } else if (received < announced.length) {
            room = announced.length - received;
            into = announced.refused ? reason.data() + received
                                     : reinterpret_cast<char *>(announced.picture.bits()) + received;
        }
        const ssize_t n = ::read(fromChild.get(), into, size_t(qMin(room, 4 * kMegabyte)));
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (n <= 0) {
            ended = true;
        } else if (header.size() < DecoderProtocol::kHeaderBytes) {
            header.append(into, n);
            if (header.size() == DecoderProtocol::kHeaderBytes) {
                announced = DecoderProtocol::parse(header);
                reason.resize(announced.refused ? announced.length : 0);
            }
        } else if (received < announced.length) {
            received += n;
        } else {
            throw QStringLiteral("the decoder's answer is longer than it announced");
        }
    }

    int status = 0;
    while (!child.ended(status)) {
        if (clock.elapsed() >= DecoderProcess::kDeadlineMs)
            throw kTooLong;
        ::usleep(1000);
    }
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        if (signal == SIGXCPU)
            throw kTooLong;
        if (signal == SIGKILL)
            throw QStringLiteral("the decoder was stopped by the system, perhaps for want of memory");
        throw QStringLiteral("decoding it crashed the decoder (%1)").arg(QString::fromLocal8Bit(strsignal(signal)));
    }
    if (header.size() < DecoderProtocol::kHeaderBytes || received < announced.length)
        throw QStringLiteral("the decoder ended without an answer (exit status %1)").arg(WEXITSTATUS(status));
    refusal = announced.refused ? QString::fromUtf8(reason) : QString();
    return announced.picture;
}

QImage decodeIn(const QString &helper, const char *mode, int input, QByteArrayView feed, const QString &path,
                Fail fail)
{
    QString refusal;
    QImage picture;
    try {
        picture = runDecoder(helper, mode, input, feed, refusal);
    } catch (const QString &why) {
        throw fail(path, why);
    }
    if (!refusal.isNull())
        throw fail(path, refusal);
    return picture;
}

} // namespace

DecoderProcess::DecoderProcess(QString helper)
    : m_helper(helper.isEmpty() ? defaultHelper() : std::move(helper))
{ }

QString DecoderProcess::defaultHelper()
{
    if (const QString given = qEnvironmentVariable("TARVELLO_DECODER"); !given.isEmpty())
        return given;
    const QString here = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                      : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    const QString beside = here + QStringLiteral("/tarvello-decoder");
    const QString installed = here + QStringLiteral("/../libexec/tarvello/tarvello-decoder");
    return QFileInfo(beside).isExecutable() || !QFileInfo(installed).isExecutable() ? beside
                                                                                     : QFileInfo(installed).canonicalFilePath();
}

QImage DecoderProcess::read(const QString &path)
{
    if (path.isEmpty())
        return QImage();
    qint64 size = 0;
    const Descriptor file = openRegular(path, PictureFiles::kMaxFileBytes, PictureFiles::loadFailure, size);
    // What the start of the file already shows is refused without a decoder.
    QByteArray head(qMin(size, PictureFiles::kHeadBytes), Qt::Uninitialized);
    const ssize_t n = ::pread(file.get(), head.data(), size_t(head.size()), 0);
    if (n < 0)
        throw PictureFiles::loadFailure(path, QStringLiteral("the file cannot be read (%1)").arg(systemError(errno)));
    head.resize(n);
    try {
        PictureFiles::checkHead(head, n < head.size() ? n : size);
    } catch (const PictureFiles::Refusal &refusal) {
        throw PictureFiles::loadFailure(path, refusal.reason);
    }
    return decodeIn(m_helper, "still", file.get(), {}, path, PictureFiles::loadFailure);
}

PictureReader::Animation DecoderProcess::readAnimation(const QString &path)
{
    qint64 size = 0;
    const Descriptor file = openRegular(path, PictureFiles::kMaxAnimationBytes, PictureFiles::playFailure, size);
    // Read, not mapped: a file cut short meanwhile gives fewer bytes, not a crash.
    Animation animation;
    animation.bytes.resize(size);
    qsizetype got = 0;
    while (got < size) {
        const ssize_t n = ::read(file.get(), animation.bytes.data() + got, size_t(size - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw PictureFiles::playFailure(path, QStringLiteral("the file cannot be read (%1)").arg(systemError(errno)));
        if (n == 0)
            break;
        got += n;
    }
    animation.bytes.resize(got);
    animation.firstFrame = decodeIn(m_helper, "animation", -1, animation.bytes, path, PictureFiles::playFailure);
    return animation;
}
