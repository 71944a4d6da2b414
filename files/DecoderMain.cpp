// The picture decoder: a process of its own that reads one picture file from
// its standard input, decodes it within limits and without access to
// anything else, and writes back its pixels or why it refused it
// (files/DecoderProtocol.h). Whatever the file does to the decoding code,
// the editor loses at most this process.
//   tarvello-decoder still       a still picture (the first frame of a GIF)
//   tarvello-decoder animation   the first frame of a GIF that is to play
#include "files/DecoderProtocol.h"
#include "files/PictureFiles.h"
#include "platform/Sandbox.h"

#include <QBuffer>
#include <QImageReader>

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

bool writeAll(const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
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

} // namespace

int main(int argc, char *argv[])
{
    Sandbox::limitResources(kAddressSpace, kProcessorSeconds);
    // The toolkit's worker threads need no GLib main loop.
    qputenv("QT_NO_GLIB", "1");
    Sandbox::closeDescriptorsFrom(STDERR_FILENO + 1);
    // A damaged file can make a reader warn for every block it skips.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    const bool animation = argc > 1 && std::strcmp(argv[1], "animation") == 0;

    QByteArray input = readInput();
    ::close(STDIN_FILENO);
    QByteArray answer;
    QImage picture;
    try {
        if (input.size() > PictureFiles::kMaxFileBytes)
            throw PictureFiles::Refusal{QStringLiteral("the file is too large")};
        loadReaderFor(input);
        Sandbox::confine();
        picture = animation ? PictureFiles::decodeFirstFrame(input) : PictureFiles::decode(input);
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
    const bool written = writeAll(answer.constData(), answer.size())
        && writeAll(reinterpret_cast<const char *>(picture.constBits()), picture.sizeInBytes());
    return written ? 0 : 1;
}
