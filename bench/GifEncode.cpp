// gif-encode IN OUT: writes any picture Qt reads as a GIF through the editor's
// own GIF writer, and tells where the time went.
#include "platform/Failure.h"
#include "platform/GifImageCopy.h"

#include <QElapsedTimer>
#include <QImageReader>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: gif-encode IN OUT\n");
        return 2;
    }
    QElapsedTimer clock;
    clock.start();
    QImageReader reader(QString::fromLocal8Bit(argv[1]));
    const QImage picture = reader.read();
    if (picture.isNull()) {
        std::fprintf(stderr, "gif-encode: %s: %s\n", argv[1], qPrintable(reader.errorString()));
        return 1;
    }
    const double readMs = double(clock.nsecsElapsed()) / 1e6;
    GifEncodeReport report;
    try {
        GifImageCopy::write(picture, QString::fromLocal8Bit(argv[2]), picture.size(), &report);
    } catch (const Failure &failure) {
        std::fprintf(stderr, "gif-encode: %s\n", qPrintable(failure.message()));
        return 1;
    }
    std::printf("%dx%d colours=%d %s read=%.2fms quantize=%.2fms encode=%.2fms total=%.2fms\n", picture.width(),
                picture.height(), report.colours, report.exact ? "exact" : "quantized", readMs, report.quantizeMs,
                report.encodeMs, double(clock.nsecsElapsed()) / 1e6);
    return 0;
}
