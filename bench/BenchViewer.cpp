// The graphic viewer on real folders: time to list a folder of 10,000 files,
// to preview a 4000 x 3000 JPEG, and to start playing a 400-frame 468 x 60
// animated GIF. Each is the median of several runs, offscreen.
//
//   bench-viewer [runs]

#include "BenchDoubles.h"
#include "SampleGifs.h"

#include "app/ModStart.h"
#include "files/DecoderProcess.h"
#include "platform/SystemFileProbe.h"
#include "platform/SystemLauncher.h"
#include "platform/SystemRegistry.h"
#include "platform/qt/QtAnimatedGif.h"
#include "viewer/FileLists.h"
#include "viewer/FrmView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

double medianMs(int runs, const std::function<void()> &prepare, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QElapsedTimer clock;
        clock.start();
        work();
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

QImage noisy(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgb(x * 255 / size.width(), y * 255 / size.height(), int(random.bounded(256)));
    }
    return image;
}

// Selecting a file previews it.
void select(FileListBox &files, const QString &name)
{
    files.setCurrentItem(files.findItems(name, Qt::MatchExactly).value(0));
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;

    QTemporaryDir dir;
    const QDir pictures(dir.path());
    pictures.mkdir(QStringLiteral("many"));
    for (int i = 0; i < 10000; ++i) {
        QFile f(pictures.filePath(QStringLiteral("many/file%1.txt").arg(i, 5, 10, QLatin1Char('0'))));
        if (!f.open(QIODevice::WriteOnly))
            return EXIT_FAILURE;
    }
    noisy({4000, 3000}).save(pictures.filePath(QStringLiteral("photo.jpg")), "JPEG", 90);
    QList<QImage> frames;
    for (int i = 0; i < 400; ++i)
        frames << SampleGifs::solid({468, 60}, QColor::fromHsv(i % 360, 200, 220));
    if (!SampleGifs::write(pictures.filePath(QStringLiteral("anim.gif")), frames, 4))
        return EXIT_FAILURE;

    QDir::setCurrent(dir.path());
    BenchDialogHost dialogs;
    BenchWindowMover mover;
    BenchClipboard clipboard;
    BenchImageCopy imageCopy;
    DecoderProcess reader(QStringLiteral(TARVELLO_DECODER));
    QtAnimatedGifFactory gifs(reader);
    SystemRegistry registry;
    SystemLauncher launcher;
    SystemFileProbe probe;
    ModStart program(Platform{dialogs, mover, clipboard, imageCopy, gifs, registry, launcher, probe, reader});
    program.setEndAction([] {});
    program.Main();
    FrmView &view = program.viewer();
    view.Show();
    auto &dirs = *view.findChild<DirListBox *>(QStringLiteral("Dir1"));
    auto &files = *view.findChild<FileListBox *>(QStringLiteral("File1"));
    auto settle = [] { QApplication::processEvents(); };

    const double list = medianMs(
        runs,
        [&] {
            dirs.setPath(dir.path());
            view.Dir1_Change();
            settle();
        },
        [&] {
            dirs.setPath(pictures.filePath(QStringLiteral("many")));
            view.Dir1_Change();
            settle();
        });
    const int listed = files.count();
    dirs.setPath(dir.path());
    view.Dir1_Change();
    const double jpeg = medianMs(
        runs,
        [&] {
            select(files, QStringLiteral("anim.gif"));
            settle();
        },
        [&] {
            select(files, QStringLiteral("photo.jpg"));
            settle();
        });
    const double gif = medianMs(
        runs,
        [&] {
            select(files, QStringLiteral("photo.jpg"));
            settle();
        },
        [&] {
            select(files, QStringLiteral("anim.gif"));
            settle();
        });
    const bool playing = view.Gif().Width() == 468 * 15.0f && view.Gif().widget()->isVisible();

    std::printf("viewer, median of %d runs (target under 200 ms each)\n", runs);
    std::printf("  list a folder of 10,000 files     %8.1f ms (%d listed)\n", list, listed);
    std::printf("  preview a 4000 x 3000 JPEG        %8.1f ms\n", jpeg);
    std::printf("  start a 400-frame 468 x 60 GIF    %8.1f ms%s\n", gif, playing ? "" : " (NOT PLAYING)");
    return dialogs.unexpected == 0 && playing ? EXIT_SUCCESS : EXIT_FAILURE;
}
