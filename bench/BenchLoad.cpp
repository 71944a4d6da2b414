// Reading pictures through the decoder process beside decoding them in the
// editor's own process, as the editor did before: File > Load of a 468 x 60
// bitmap and of a 4000 x 3000 JPEG, the viewer's preview of the JPEG, and the
// editor's memory before and after each. Medians of several runs, offscreen,
// each after a pause such as a person leaves between two commands.
//
//   bench-load [runs]

#include "BenchDoubles.h"

#include "app/ModStart.h"
#include "app/Parent.h"
#include "banner/FrmBanner.h"
#include "files/DecoderProcess.h"
#include "files/PictureFiles.h"
#include "platform/SystemFileProbe.h"
#include "platform/SystemLauncher.h"
#include "platform/SystemRegistry.h"
#include "platform/qt/QtAnimatedGif.h"
#include "viewer/FileLists.h"
#include "viewer/FrmView.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

// Between runs, the pause a person leaves between two commands, in which the
// next decoder process gets ready.
void settle()
{
    QThread::msleep(100);
    QApplication::processEvents();
}

double medianMs(int runs, const std::function<void()> &work, const std::function<void()> &prepare = settle)
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

double residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024 * 1024);
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

// Decoding in this process, as the editor did before the decoder process.
QImage inProcess(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QImage();
    return PictureFiles::decode(file.readAll());
}

// File > Load answers with the path it is given.
class OpenDialogs final : public DialogHost
{
public:
    std::optional<QString> getOpenFileName(const FileDialogRequest &) override { return path; }
    std::optional<QString> getSaveFileName(const FileDialogRequest &) override { return std::nullopt; }
    std::optional<OleColor::Value> getColor(OleColor::Value) override { return std::nullopt; }
    std::optional<FontChoice> getFont(const FontChoice &) override { return std::nullopt; }
    QString inputBox(const QString &, const QString &) override { return QString(); }
    void messageBox(const QString &text, const QString &) override { std::printf("message: %s\n", qPrintable(text)); }

    QString path;
};

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;

    QTemporaryDir dir;
    const QString bitmap = dir.filePath(QStringLiteral("banner.bmp"));
    const QString photo = dir.filePath(QStringLiteral("photo.jpg"));
    noisy({468, 60}).save(bitmap, "BMP");
    noisy({4000, 3000}).save(photo, "JPEG", 90);

    QDir::setCurrent(dir.path());
    OpenDialogs dialogs;
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
    QAction *load = program.parentWindow().findChild<QAction *>(QStringLiteral("MnuLoad"));
    auto loadCommand = [&](const QString &path) {
        dialogs.path = path;
        load->trigger();
        QApplication::processEvents();
    };
    // Both paths once first, so that libraries and plugins are in.
    inProcess(photo);
    loadCommand(photo);
    program.banner().setPicture(QImage());

    std::printf("reading pictures, median of %d runs (target: the process adds at most 30 ms)\n", runs);
    std::printf("                              in process   decoder process   added (median of the differences)\n");
    // In turns, so that both meet the machine in the same state.
    for (const QString &path : {bitmap, photo}) {
        std::vector<double> before, after, added;
        for (int i = 0; i < runs; ++i) {
            before.push_back(medianMs(1, [&] { inProcess(path); }));
            after.push_back(medianMs(1, [&] { reader.read(path); }));
            added.push_back(after.back() - before.back());
        }
        for (auto *times : {&before, &after, &added})
            std::sort(times->begin(), times->end());
        std::printf("  decode %-20s %9.1f ms %14.1f ms %+7.1f ms\n", qPrintable(QFileInfo(path).fileName()),
                    before[before.size() / 2], after[after.size() / 2], added[added.size() / 2]);
    }
    for (const QString &path : {bitmap, photo}) {
        const double command = medianMs(runs, [&] { loadCommand(path); });
        std::printf("  File > Load %-15s %29.1f ms\n", qPrintable(QFileInfo(path).fileName()), command);
    }

    // The memory the editor keeps: the picture it shows, and what else?
    std::printf("memory of the editor (target: grows by no more than the picture it keeps)\n");
    for (const bool separate : {false, true}) {
        for (const QString &path : {bitmap, photo}) {
            program.banner().setPicture(QImage());
            QApplication::processEvents();
            const double rss = residentMegabytes();
            QImage kept;
            if (separate) {
                loadCommand(path);
                kept = program.banner().Picture();
            } else {
                kept = inProcess(path);
            }
            const double grown = residentMegabytes() - rss;
            std::printf("  %-16s %-20s %7.1f MB before, %+7.1f MB after; the picture is %.1f MB\n",
                        separate ? "decoder process" : "in process", qPrintable(QFileInfo(path).fileName()), rss, grown,
                        double(kept.sizeInBytes()) / (1024 * 1024));
        }
    }

    FrmView &view = program.viewer();
    view.Show();
    auto &files = *view.findChild<FileListBox *>(QStringLiteral("File1"));
    auto select = [&](const char *name) {
        files.setCurrentItem(files.findItems(QLatin1String(name), Qt::MatchExactly).value(0));
        QApplication::processEvents();
    };
    const double preview = medianMs(
        runs, [&] { select("photo.jpg"); },
        [&] {
            select("banner.bmp");
            settle();
        });
    std::printf("viewer (target under 200 ms)\n  preview of photo.jpg %41.1f ms\n", preview);
    return EXIT_SUCCESS;
}
