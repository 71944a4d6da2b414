// gif-check FILE WIDTH HEIGHT: exits 0 when Qt decodes FILE at that size.
#include <QImageReader>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: gif-check FILE WIDTH HEIGHT\n");
        return 2;
    }
    QImageReader reader(QString::fromLocal8Bit(argv[1]), "gif");
    const QImage image = reader.read();
    if (image.isNull() || image.width() != std::atoi(argv[2]) || image.height() != std::atoi(argv[3])) {
        std::fprintf(stderr, "gif-check: %s: %s\n", argv[1], qPrintable(reader.errorString()));
        return 1;
    }
    std::printf("%s %dx%d ok\n", argv[1], image.width(), image.height());
    return 0;
}
