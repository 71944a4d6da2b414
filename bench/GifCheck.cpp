// gif-check FILE WIDTH HEIGHT: exits 0 when Qt decodes FILE at that size and
// giflib's decoder reads the same pixels from it.
#include <QImageReader>

#include <gif_lib.h>

#include <cstdio>
#include <cstdlib>

namespace {

bool giflibAgrees(const char *path, const QImage &image)
{
    int error = 0;
    GifFileType *file = DGifOpenFileName(path, &error);
    if (!file)
        return false;
    bool same = DGifSlurp(file) == GIF_OK && file->ImageCount >= 1;
    if (same) {
        const SavedImage &frame = file->SavedImages[0];
        const ColorMapObject *map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : file->SColorMap;
        same = map && frame.ImageDesc.Width == image.width() && frame.ImageDesc.Height == image.height();
        for (int y = 0; same && y < image.height(); ++y)
            for (int x = 0; same && x < image.width(); ++x) {
                const GifColorType c = map->Colors[frame.RasterBits[y * image.width() + x]];
                same = image.pixel(x, y) == qRgb(c.Red, c.Green, c.Blue);
            }
    }
    DGifCloseFile(file, &error);
    return same;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: gif-check FILE WIDTH HEIGHT\n");
        return 2;
    }
    QImageReader reader(QString::fromLocal8Bit(argv[1]), "gif");
    const QImage image = reader.read().convertToFormat(QImage::Format_RGB32);
    if (image.isNull() || image.width() != std::atoi(argv[2]) || image.height() != std::atoi(argv[3])) {
        std::fprintf(stderr, "gif-check: %s: %s\n", argv[1], qPrintable(reader.errorString()));
        return 1;
    }
    if (!giflibAgrees(argv[1], image)) {
        std::fprintf(stderr, "gif-check: %s: giflib reads other pixels than Qt\n", argv[1]);
        return 1;
    }
    std::printf("%s %dx%d ok\n", argv[1], image.width(), image.height());
    return 0;
}
