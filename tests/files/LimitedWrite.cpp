// Writes a picture the way the program does, in a process of its own whose
// files may not grow past a limit, as on a full disk. Prints what the write
// reported; the file test that starts it checks the rest.
//
//   limited-write bmp|gif PATH LIMIT_BYTES [small]
//
// A small picture fits the file's write buffer, so that only the commit fails.

#include "files/PictureFiles.h"
#include "platform/Failure.h"
#include "platform/GifImageCopy.h"

#include <QCoreApplication>
#include <QImage>

#include <csignal>
#include <cstdio>

#include <sys/resource.h>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    if (argc != 4 && argc != 5)
        return 2;
    // A write past the limit then fails with an error instead of a signal.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlim_t bytes = rlim_t(std::strtoull(argv[3], nullptr, 10));
    const rlimit limit{bytes, bytes};
    setrlimit(RLIMIT_FSIZE, &limit);

    const bool small = argc == 5 && qstrcmp(argv[4], "small") == 0;
    QImage picture(small ? 40 : 600, small ? 20 : 400, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    const QString path = QString::fromLocal8Bit(argv[2]);
    try {
        if (qstrcmp(argv[1], "gif") == 0)
            GifImageCopy().copyToGif(picture, path, picture.width(), picture.height());
        else
            PictureFiles::savePicture(picture, path);
    } catch (const Failure &failure) {
        std::fputs(failure.message().toUtf8().constData(), stdout);
        return 0;
    }
    return 1;
}
