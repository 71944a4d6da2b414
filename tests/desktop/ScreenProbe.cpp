// Finds things in screenshots for the desktop end-to-end check.
//   screen-probe locate SHOT W H      top-left of a plain W x H rectangle: "x y"
//   screen-probe match SHOT PICTURE   where PICTURE shows in SHOT, and how well
//   screen-probe size PICTURE         "WxH"
//   screen-probe count PICTURE RRGGBB pixels of that colour (within 24 a channel)
//   screen-probe changed BEFORE AFTER RRGGBB
//                                     "x y w h n": the pixels that differ and are
//                                     now of that colour, their box and number
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kTolerance = 24;

bool near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

QImage load(const QString &path)
{
    QImageReader reader(path);
    QImage image = reader.read().convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        std::fprintf(stderr, "cannot read %s: %s\n", qPrintable(path), qPrintable(reader.errorString()));
    return image;
}

// A rectangle of one colour whose every side borders on another colour.
bool plainAt(const QImage &s, int x, int y, int w, int h)
{
    const QRgb c = s.pixel(x, y);
    if ((x > 0 && s.pixel(x - 1, y) == c) || (y > 0 && s.pixel(x, y - 1) == c))
        return false;
    if (x + w >= s.width() || y + h >= s.height())
        return false;
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            if (s.pixel(x + i, y + j) != c)
                return false;
    return s.pixel(x + w, y) != c && s.pixel(x, y + h) != c;
}

int locate(const QImage &shot, int w, int h)
{
    for (int y = 0; y + h < shot.height(); ++y)
        for (int x = 0; x + w < shot.width(); ++x)
            if (plainAt(shot, x, y, w, h)) {
                std::printf("%d %d\n", x, y);
                return 0;
            }
    std::fprintf(stderr, "no plain %dx%d rectangle on the screen\n", w, h);
    return 1;
}

// Pixels of the picture that differ on the screen at (x, y); stops counting
// past `limit`. A coarse pass first leaves wrong places after a few pixels.
int misses(const QImage &shot, const QImage &picture, int x, int y, int limit)
{
    constexpr int kStep = 17;
    const int coarseLimit = picture.width() * picture.height() / kStep / 20;
    int n = 0;
    for (int j = 0; j < picture.height(); ++j)
        for (int i = (j * 7) % kStep; i < picture.width(); i += kStep)
            if (!near(shot.pixel(x + i, y + j), picture.pixel(i, j), kTolerance) && ++n > coarseLimit)
                return limit + 1;
    n = 0;
    for (int j = 0; j < picture.height(); ++j)
        for (int i = 0; i < picture.width(); ++i)
            if (!near(shot.pixel(x + i, y + j), picture.pixel(i, j), kTolerance) && ++n > limit)
                return n;
    return n;
}

int match(const QImage &shot, const QImage &picture)
{
    const int total = picture.width() * picture.height();
    const int allowed = total / 200; // palette reduction may move a few edge pixels
    int best = total + 1, bestX = -1, bestY = -1;
    for (int y = 0; y + picture.height() <= shot.height(); ++y)
        for (int x = 0; x + picture.width() <= shot.width(); ++x) {
            const int n = misses(shot, picture, x, y, std::min(best, total / 20));
            if (n < best) {
                best = n;
                bestX = x;
                bestY = y;
            }
        }
    if (bestX < 0) {
        std::printf("the picture is nowhere on the screen\n");
        return 1;
    }
    std::printf("picture at %d,%d on the screen; %d of %d pixels differ\n", bestX, bestY, best, total);
    return best <= allowed ? 0 : 1;
}

// What a window that appeared between two screenshots drew.
int changed(const QImage &before, const QImage &after, QRgb color)
{
    if (before.size() != after.size())
        return 2;
    QRect box;
    int n = 0;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y) && near(after.pixel(x, y), color, kTolerance)) {
                box |= QRect(x, y, 1, 1);
                ++n;
            }
    std::printf("%d %d %d %d %d\n", box.x(), box.y(), box.width(), box.height(), n);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication application(argc, argv);
    const QStringList a = QGuiApplication::arguments();
    const QString command = a.value(1);
    if (command == QLatin1String("locate") && a.size() == 5) {
        const QImage shot = load(a[2]);
        return shot.isNull() ? 2 : locate(shot, a[3].toInt(), a[4].toInt());
    }
    if (command == QLatin1String("match") && a.size() == 4) {
        const QImage shot = load(a[2]), picture = load(a[3]);
        return shot.isNull() || picture.isNull() ? 2 : match(shot, picture);
    }
    if (command == QLatin1String("size") && a.size() == 3) {
        const QImage picture = load(a[2]);
        std::printf("%dx%d\n", picture.width(), picture.height());
        return picture.isNull() ? 2 : 0;
    }
    if (command == QLatin1String("count") && a.size() == 4) {
        const QImage picture = load(a[2]);
        const QRgb color = QColor(QLatin1Char('#') + a[3]).rgb();
        int n = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                n += near(picture.pixel(x, y), color, kTolerance) ? 1 : 0;
        std::printf("%d\n", n);
        return picture.isNull() ? 2 : 0;
    }
    if (command == QLatin1String("changed") && a.size() == 5) {
        const QImage before = load(a[2]), after = load(a[3]);
        return before.isNull() || after.isNull() ? 2 : changed(before, after, QColor(QLatin1Char('#') + a[4]).rgb());
    }
    std::fprintf(stderr,
                 "usage: screen-probe locate SHOT W H | match SHOT PICTURE | size PICTURE | count PICTURE "
                 "RRGGBB | changed BEFORE AFTER RRGGBB\n");
    return 2;
}
