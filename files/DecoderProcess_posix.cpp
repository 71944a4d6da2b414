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
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

extern char **environ;

namespace {

using Fail = Failure (*)(const QString &path, const QString &reason);
constexpr qint64 kMegabyte = 1024LL * 1024;

QString tooLong()
{
    return QStringLiteral("it took too long to decode");
}

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
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }
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
int openRegular(const QString &path, qint64 limit, Fail fail, qint64 &size)
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
    return file.release();
}

// The rows the decoder wrote into the memory file, mapped, not copied. Its
// size is sealed first, so that nothing can cut the mapping short.
QImage mapRows(int file, const DecoderProtocol::Announced &announced)
{
    struct stat info = {};
    if (::fcntl(file, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) != 0)
        throw QStringLiteral("the decoder's picture cannot be kept (%1)").arg(systemError(errno));
    if (fstat(file, &info) != 0 || info.st_size != announced.length)
        throw QStringLiteral("the decoder's picture is not the size it announced");
    const size_t length = size_t(announced.length);
    void *rows = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, file, 0);
    if (rows == MAP_FAILED)
        throw QStringLiteral("there is not enough memory for the picture");
    struct Mapping
    {
        void *at;
        size_t length;
    };
    return QImage(
        static_cast<uchar *>(rows), announced.size.width(), announced.size.height(),
        qsizetype(announced.size.width()) * 4, announced.format,
        [](void *unmap) {
            const auto *mapping = static_cast<Mapping *>(unmap);
            ::munmap(mapping->at, mapping->length);
            delete mapping;
        },
        new Mapping{rows, length});
}

} // namespace

// A decoder process, started ahead: by the time a picture is to be read, the
// system has loaded it, and only the picture's own work is waited for.
class StartedDecoder
{
public:
    explicit StartedDecoder(const QString &helper);
    ~StartedDecoder();
    StartedDecoder(const StartedDecoder &) = delete;
    StartedDecoder &operator=(const StartedDecoder &) = delete;

    // Hands it the picture; false when it is no longer there to take it.
    bool give(char what, int input);
    // Its answer, within the deadline from give(). Throws QString, the
    // reason it gave none.
    QImage answer(QString &refusal);

private:
    bool ended(int &status, qint64 waitMs);

    pid_t m_pid = 0;
    Descriptor m_control, m_output, m_rows, m_exit;
    QElapsedTimer m_clock;
};

StartedDecoder::StartedDecoder(const QString &helper)
{
    int pair[2], pipe[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        throw QStringLiteral("the picture decoder cannot be started (%1)").arg(systemError(errno));
    m_control.reset(pair[0]);
    const Descriptor childControl(pair[1]);
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        throw QStringLiteral("the picture decoder cannot be started (%1)").arg(systemError(errno));
    m_output.reset(pipe[0]);
    const Descriptor childOutput(pipe[1]);
    m_rows.reset(::memfd_create("tarvello-picture", MFD_CLOEXEC | MFD_ALLOW_SEALING));
    if (m_rows.get() < 0)
        throw QStringLiteral("the picture decoder cannot be started (%1)").arg(systemError(errno));

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, childControl.get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, childOutput.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, m_rows.get(), DecoderProtocol::kRowsDescriptor);
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
    char *arguments[] = {const_cast<char *>(program.constData()), nullptr};
    const int error = posix_spawn(&m_pid, program.constData(), &actions, &attributes, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        m_pid = 0;
        throw QStringLiteral("the picture decoder %1 cannot be started (%2)").arg(helper, systemError(error));
    }
    // Where the system can tell, its end wakes the wait for it at once.
    m_exit.reset(int(::syscall(SYS_pidfd_open, m_pid, 0)));
    ::fcntl(m_output.get(), F_SETFL, O_NONBLOCK);
}

StartedDecoder::~StartedDecoder()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

bool StartedDecoder::give(char what, int input)
{
    msghdr message = {};
    iovec byte = {&what, 1};
    message.msg_iov = &byte;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char space[CMSG_SPACE(sizeof(int))] = {};
    message.msg_control = space;
    message.msg_controllen = sizeof space;
    cmsghdr *attached = CMSG_FIRSTHDR(&message);
    attached->cmsg_level = SOL_SOCKET;
    attached->cmsg_type = SCM_RIGHTS;
    attached->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(attached), &input, sizeof(int));
    m_clock.start();
    const bool given = ::sendmsg(m_control.get(), &message, MSG_NOSIGNAL) == 1;
    m_control.reset(); // one picture each
    return given;
}

// Whether it has ended, waiting for that up to waitMs.
bool StartedDecoder::ended(int &status, qint64 waitMs)
{
    for (;;) {
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            m_pid = 0;
            return true;
        }
        if (waitMs <= 0)
            return false;
        if (m_exit.get() >= 0) {
            pollfd exit = {m_exit.get(), POLLIN, 0};
            ::poll(&exit, 1, int(waitMs));
        } else {
            ::usleep(1000);
        }
        waitMs = DecoderProcess::kDeadlineMs - m_clock.elapsed();
    }
}

QImage StartedDecoder::answer(QString &refusal)
{
    // The header, then the reason of a refusal; nothing more.
    QByteArray answer;
    qsizetype expected = DecoderProtocol::kHeaderBytes;
    DecoderProtocol::Announced announced;
    for (bool finished = false; !finished;) {
        const qint64 left = DecoderProcess::kDeadlineMs - m_clock.elapsed();
        if (left <= 0)
            throw tooLong();
        pollfd output = {m_output.get(), POLLIN, 0};
        if (::poll(&output, 1, int(left)) < 0 && errno != EINTR)
            throw QStringLiteral("waiting for the decoder failed (%1)").arg(systemError(errno));
        char buffer[4096];
        const ssize_t n = output.revents != 0 ? ::read(m_output.get(), buffer, sizeof buffer) : -1;
        if (n < 0 && (errno == EAGAIN || errno == EINTR || output.revents == 0))
            continue;
        finished = n <= 0;
        answer.append(buffer, qMax<ssize_t>(n, 0));
        if (answer.size() >= DecoderProtocol::kHeaderBytes && expected == DecoderProtocol::kHeaderBytes) {
            announced = DecoderProtocol::parse(answer.first(DecoderProtocol::kHeaderBytes));
            expected += announced.refused ? announced.length : 0;
        }
        if (answer.size() > expected)
            throw QStringLiteral("the decoder's answer is longer than it announced");
    }

    int status = 0;
    if (!ended(status, DecoderProcess::kDeadlineMs - m_clock.elapsed()))
        throw tooLong();
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        if (signal == SIGXCPU)
            throw tooLong();
        if (signal == SIGKILL)
            throw QStringLiteral("the decoder was stopped by the system, perhaps for want of memory");
        throw QStringLiteral("decoding it crashed the decoder (%1)").arg(QString::fromLocal8Bit(strsignal(signal)));
    }
    if (answer.size() < expected || WEXITSTATUS(status) != 0)
        throw QStringLiteral("the decoder ended without an answer (exit status %1)").arg(WEXITSTATUS(status));
    if (announced.refused) {
        refusal = QString::fromUtf8(answer.sliced(DecoderProtocol::kHeaderBytes));
        return QImage();
    }
    return mapRows(m_rows.get(), announced);
}

DecoderProcess::DecoderProcess(QString helper)
    : m_helper(helper.isEmpty() ? defaultHelper() : std::move(helper))
{ }

DecoderProcess::~DecoderProcess() = default;

QString DecoderProcess::defaultHelper()
{
    if (QString given = qEnvironmentVariable("TARVELLO_DECODER"); !given.isEmpty())
        return given;
    const QString here = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                      : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    const QString beside = here + QStringLiteral("/tarvello-decoder");
    const QFileInfo installed(here + QStringLiteral("/../libexec/tarvello/tarvello-decoder"));
    return QFileInfo(beside).isExecutable() || !installed.isExecutable() ? beside : installed.canonicalFilePath();
}

QImage DecoderProcess::decode(char what, int input, const QString &path, Fail fail)
{
    QString refusal;
    QImage picture;
    try {
        // The one started ahead, unless it went away meanwhile.
        std::unique_ptr<StartedDecoder> decoder = std::move(m_spare);
        if (!decoder || !decoder->give(what, input)) {
            decoder = std::make_unique<StartedDecoder>(m_helper);
            if (!decoder->give(what, input))
                throw QStringLiteral("the picture decoder ended before it was given the picture");
        }
        picture = decoder->answer(refusal);
    } catch (const QString &why) {
        throw fail(path, why);
    }
    try {
        m_spare = std::make_unique<StartedDecoder>(m_helper);
    } catch (const QString &) {
        // The next picture says why, if it still cannot start.
    }
    if (!refusal.isNull())
        throw fail(path, refusal);
    return picture;
}

QImage DecoderProcess::read(const QString &path)
{
    if (path.isEmpty())
        return QImage();
    qint64 size = 0;
    const Descriptor file(openRegular(path, PictureFiles::kMaxFileBytes, PictureFiles::loadFailure, size));
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
    return decode(DecoderProtocol::kStill, file.get(), path, PictureFiles::loadFailure);
}

PictureReader::Animation DecoderProcess::readAnimation(const QString &path)
{
    qint64 size = 0;
    const Descriptor file(openRegular(path, PictureFiles::kMaxAnimationBytes, PictureFiles::playFailure, size));
    // Read, not mapped: a file cut short meanwhile gives fewer bytes, not a crash.
    Animation animation;
    animation.bytes.resize(size);
    qsizetype got = 0;
    while (got < size) {
        const ssize_t n = ::read(file.get(), animation.bytes.data() + got, size_t(size - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw PictureFiles::playFailure(path,
                                            QStringLiteral("the file cannot be read (%1)").arg(systemError(errno)));
        if (n == 0)
            break;
        got += n;
    }
    animation.bytes.resize(got);
    // The decoder checks these very bytes, which the player then plays.
    const Descriptor bytes(::memfd_create("tarvello-animation", MFD_CLOEXEC));
    qsizetype written = 0;
    while (bytes.get() >= 0 && written < got) {
        const ssize_t n = ::write(bytes.get(), animation.bytes.constData() + written, size_t(got - written));
        if (n <= 0)
            break;
        written += n;
    }
    if (written < got || ::lseek(bytes.get(), 0, SEEK_SET) != 0)
        throw PictureFiles::playFailure(path, QStringLiteral("there is not enough memory for it"));
    animation.firstFrame = decode(DecoderProtocol::kAnimation, bytes.get(), path, PictureFiles::playFailure);
    return animation;
}
