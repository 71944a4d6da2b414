// The picture decoder: a process of its own, started ahead, that waits for
// one picture file, decodes it within limits and without access to anything
// else, and writes back its pixels (into the memory file it was started
// with) or why it refused it (files/DecoderProtocol.h). Whatever the file
// does to the decoding code, the editor loses at most this process.
#include "files/DecoderProtocol.h"
#include "files/PictureFiles.h"
#include "platform/Sandbox.h"

#include <QBuffer>
#include <QImageReader>

#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace {

// Enough for the largest picture, its file and the libraries.
constexpr std::uint64_t kAddressSpace = 1280ULL * 1024 * 1024;
// The editor stops waiting at 3 s; the system stops a decoder that keeps a
// processor busy longer, should the editor not be there to do it.
constexpr unsigned kProcessorSeconds = 4;

bool writeAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

// Waits for the editor's request and makes the file it hands over the
// standard input. False when the editor went away without one.
bool takeRequest(char &what)
{
    msghdr message = {};
    iovec byte = {&what, 1};
    message.msg_iov = &byte;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char space[CMSG_SPACE(sizeof(int))] = {};
    message.msg_control = space;
    message.msg_controllen = sizeof space;
    ssize_t n = 0;
    do
        n = ::recvmsg(STDIN_FILENO, &message, MSG_CMSG_CLOEXEC);
    while (n < 0 && errno == EINTR);
    const cmsghdr *attached = CMSG_FIRSTHDR(&message);
    if (n != 1 || !attached || attached->cmsg_type != SCM_RIGHTS || attached->cmsg_len != CMSG_LEN(sizeof(int)))
        return false;
    int file = -1;
    std::memcpy(&file, CMSG_DATA(attached), sizeof(int));
    const bool taken = ::dup2(file, STDIN_FILENO) == STDIN_FILENO;
    ::close(file);
    return taken;
}

// The whole input, or one byte more than a picture file may have.
QByteArray readInput()
{
    QByteArray input;
    constexpr qsizetype kChunk = 1 << 20;
    for (;;) {
        const qsizetype at = input.size();
        if (at > PictureFiles::kMaxFileBytes)
            break;
        input.resize(at + kChunk);
        const ssize_t n = ::read(STDIN_FILENO, input.data() + at, size_t(kChunk));
        if (n < 0 && errno == EINTR) {
            input.resize(at);
            continue;
        }
        input.resize(at + qMax<qsizetype>(n, 0));
        if (n <= 0)
            break;
    }
    return input;
}

// Readers come from plugins, which are loaded from files: the one this input
// needs is loaded before the sandbox closes the file system.
void loadReaderFor(const QByteArray &input)
{
    QByteArray data = QByteArray::fromRawData(input.constData(), input.size());
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader(&buffer).canRead();
}

// Where the reader allows, it decodes into memory that the system backs with
// huge pages: a large picture's memory then comes in a few steps instead of
// one for every 4 KB, which costs less than the whole copy into the
// editor's memory file.
QImage hugePageCanvas(QSize size, QImage::Format format)
{
    const size_t length = size_t(size.width()) * size_t(size.height()) * 4;
    void *rows = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (rows == MAP_FAILED)
        return QImage();
    ::madvise(rows, length, MADV_HUGEPAGE);
    // Never given back: the process ends with the picture.
    return QImage(static_cast<uchar *>(rows), size.width(), size.height(), qsizetype(size.width()) * 4, format);
}

} // namespace

int main()
{
    Sandbox::limitResources(kAddressSpace, kProcessorSeconds);
    // The toolkit's worker threads need no GLib main loop.
    qputenv("QT_NO_GLIB", "1");
    Sandbox::closeDescriptorsFrom(DecoderProtocol::kRowsDescriptor + 1);
    // A damaged file can make a reader warn for every block it skips.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    char what = 0;
    if (!takeRequest(what))
        ::_exit(0);
    const bool animation = what == DecoderProtocol::kAnimation;

    QByteArray input = readInput();
    ::close(STDIN_FILENO);
    QByteArray answer;
    QImage picture;
    try {
        if (input.size() > PictureFiles::kMaxFileBytes)
            throw PictureFiles::Refusal{QStringLiteral("the file is too large")};
        loadReaderFor(input);
        Sandbox::confine();
        picture = animation ? PictureFiles::decodeFirstFrame(input) : PictureFiles::decode(input, hugePageCanvas);
        input = QByteArray();
        picture.convertTo(picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (picture.isNull())
            throw std::bad_alloc();
        answer = DecoderProtocol::pictureHeader(picture);
    } catch (const PictureFiles::Refusal &refusal) {
        answer = DecoderProtocol::refusal(refusal.reason);
        picture = QImage();
    } catch (const std::bad_alloc &) {
        answer = DecoderProtocol::refusal(QStringLiteral("it needs more memory than a picture may take"));
        picture = QImage();
    }
    const bool written = writeAll(DecoderProtocol::kRowsDescriptor, reinterpret_cast<const char *>(picture.constBits()),
                                  picture.sizeInBytes());
    // Straight out: nothing is left to tidy in a process that ends here, and
    // a leak checker's end-of-run threads are no longer allowed.
    ::_exit(written && writeAll(STDOUT_FILENO, answer.constData(), answer.size()) ? 0 : 1);
}
