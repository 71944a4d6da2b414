// Text drag throughput: how many pointer moves per second the banner follows
// with the text label while painting each one, on a small and on a large
// banner, and how much of the banner each move repaints.
//
//   bench-drag [moves]    default 5000 moves per banner size

#include "BenchDoubles.h"

#include "app/ModStart.h"
#include "app/Parent.h"
#include "banner/FrmBanner.h"
#include "files/DecoderProcess.h"
#include "platform/SystemFileProbe.h"
#include "platform/SystemLauncher.h"
#include "platform/SystemRegistry.h"
#include "platform/Units.h"
#include "platform/qt/QtAnimatedGif.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPaintEvent>
#include <QRegion>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kDefaultMoves = 5000;
constexpr double kTargetMovesPerSecond = 2000.0;
constexpr double kTargetLargeOverSmall = 1.5;
const QString kCaption = QStringLiteral("Sample banner text");

qint64 areaOf(const QRegion &region)
{
    qint64 area = 0;
    for (const QRect &r : region)
        area += qint64(r.width()) * qint64(r.height());
    return area;
}

qint64 areaOf(const QRect &r)
{
    return qint64(r.width()) * qint64(r.height());
}

// Records each paint of the banner against the move that caused it; checking
// happens after the timed loop so it costs the loop nothing.
class PaintMeter final : public QObject
{
public:
    explicit PaintMeter(QWidget &target)
        : m_target(target)
    {
        target.installEventFilter(this);
    }

    struct Paint
    {
        int move;
        QRegion region;
    };

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == &m_target && event->type() == QEvent::Paint)
            paints.push_back(Paint{move, static_cast<QPaintEvent *>(event)->region()});
        return QObject::eventFilter(watched, event);
    }

    int move = -1;
    std::vector<Paint> paints;

private:
    QWidget &m_target;
};

struct Result
{
    QSize size;
    QRect visible;
    int moves = 0;
    double seconds = 0;
    std::size_t paintEvents = 0;
    qint64 paintedArea = 0;  // sum of each paint's region area
    qint64 boundingArea = 0; // sum of each paint's bounding rectangle area
    qint64 largestPaint = 0; // largest single bounding rectangle
    int strayMoves = 0;      // moves that repainted outside the label's old and new places
    int missedMoves = 0;     // moves that left part of those places unpainted
    int emptyMoves = 0;      // moves where the label did not change place

    double movesPerSecond() const { return moves / seconds; }
    double microsecondsPerMove() const { return seconds * 1e6 / moves; }
};

// A zig-zag over the area where the label stays wholly inside the visible part
// of the banner, in steps like a hand-held drag.
class Path
{
public:
    Path(const QRect &visible, QSize label)
        // QTest takes (0, 0) to mean "the centre", so the path keeps clear of it.
        : m_x(std::max(visible.left(), 1), std::max(visible.left(), visible.right() + 1 - label.width()), 5)
        , m_y(std::max(visible.top(), 1), std::max(visible.top(), visible.bottom() + 1 - label.height()), 2)
    { }

    QPoint next() { return QPoint(m_x.next(), m_y.next()); }

private:
    struct Bounce
    {
        Bounce(int low, int high, int stride)
            : lo(low)
            , hi(std::max(low, high))
            , at(low)
            , step(stride)
        { }
        int next()
        {
            if (hi == lo)
                return lo;
            at += step;
            if (at > hi || at < lo) {
                step = -step;
                at = std::clamp(at + 2 * step, lo, hi);
            }
            return at;
        }
        int lo;
        int hi;
        int at;
        int step;
    };
    Bounce m_x;
    Bounce m_y;
};

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

Result dragOn(ModStart &program, PaintMeter &meter, QSize size, int moves)
{
    FrmBanner &banner = program.banner();
    banner.setWidth(Units::toTwips(float(size.width())));
    banner.setHeight(Units::toTwips(float(size.height())));
    settle();

    program.state().TextPending = true;
    banner.setLabelCaption(kCaption);
    QLabel &label = *banner.Label1();

    Result result;
    result.size = banner.size();
    result.visible = banner.visibleRegion().boundingRect();
    result.moves = moves;

    Path path(result.visible, label.size());
    const QPoint first = path.next();
    QTest::mousePress(&banner, Qt::LeftButton, Qt::NoModifier, first);
    settle();

    // Unrecorded moves first, so glyph and pixmap caches are warm for both sizes.
    const int warmUp = std::min(200, moves);
    for (int i = 0; i < warmUp; ++i) {
        QTest::mouseMove(&banner, path.next());
        QCoreApplication::processEvents();
    }
    settle();

    std::vector<QRect> places;
    places.reserve(std::size_t(moves) + 1);
    places.push_back(label.geometry());
    meter.paints.clear();
    meter.paints.reserve(std::size_t(moves) * 2);

    QElapsedTimer timer;
    timer.start();
    QPoint at;
    for (int i = 0; i < moves; ++i) {
        meter.move = i;
        at = path.next();
        QTest::mouseMove(&banner, at);
        // Painting must follow from the move alone: the loop runs the posted update.
        QCoreApplication::processEvents();
        places.push_back(label.geometry());
    }
    result.seconds = double(timer.nsecsElapsed()) / 1e9;
    meter.move = -1;

    QTest::mouseRelease(&banner, Qt::LeftButton, Qt::NoModifier, at);
    settle();

    std::vector<QRegion> painted(static_cast<std::size_t>(moves));
    for (const PaintMeter::Paint &p : meter.paints) {
        if (p.move < 0)
            continue;
        ++result.paintEvents;
        result.paintedArea += areaOf(p.region);
        const qint64 bounding = areaOf(p.region.boundingRect());
        result.boundingArea += bounding;
        result.largestPaint = std::max(result.largestPaint, bounding);
        painted[std::size_t(p.move)] += p.region;
    }
    const QRegion visible = banner.visibleRegion();
    for (std::size_t i = 0; i < std::size_t(moves); ++i) {
        const QRect before = places[i];
        const QRect after = places[i + 1];
        if (before == after) {
            ++result.emptyMoves;
            continue;
        }
        const QRegion expected = (QRegion(before) + QRegion(after)) & visible;
        if (!painted[i].subtracted(expected).isEmpty())
            ++result.strayMoves;
        if (!expected.subtracted(painted[i]).isEmpty())
            ++result.missedMoves;
    }
    return result;
}

void print(const char *name, const Result &r)
{
    std::printf("  %s banner %dx%d (visible part %dx%d at %d,%d; %lld px)\n", name, r.size.width(), r.size.height(),
                r.visible.width(), r.visible.height(), r.visible.x(), r.visible.y(),
                static_cast<long long>(areaOf(r.visible)));
    std::printf("    %d moves in %.3f s: %.0f moves/s, %.1f us per move\n", r.moves, r.seconds, r.movesPerSecond(),
                r.microsecondsPerMove());
    std::printf("    paint events on the banner per move: %.3f\n", double(r.paintEvents) / r.moves);
    std::printf("    painted px per move: %.1f (region), %.1f (bounding rectangles); largest paint %lld px\n",
                double(r.paintedArea) / r.moves, double(r.boundingArea) / r.moves,
                static_cast<long long>(r.largestPaint));
    std::printf("    moves repainting outside the label's old+new place: %d; leaving part unpainted: %d;"
                " label not moved: %d\n",
                r.strayMoves, r.missedMoves, r.emptyMoves);
}

int parseMoves(int argc, char *argv[])
{
    if (argc == 1)
        return kDefaultMoves;
    char *end = nullptr;
    const long n = argc == 2 ? std::strtol(argv[1], &end, 10) : 0;
    if (argc != 2 || !end || *end != '\0' || n < 1 || n > 10000000) {
        std::fprintf(stderr, "usage: bench-drag [moves]\n");
        return -1;
    }
    return static_cast<int>(n);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const int moves = parseMoves(argc, argv);
    if (moves < 0)
        return EXIT_FAILURE;

    BenchDialogHost dialogs;
    BenchWindowMover mover;
    BenchClipboard clipboard;
    BenchImageCopy imageCopy;
    DecoderProcess pictures(QStringLiteral(TARVELLO_DECODER));
    QtAnimatedGifFactory gifs(pictures);
    SystemRegistry registry;
    SystemLauncher launcher;
    SystemFileProbe files;
    ModStart program(Platform{dialogs, mover, clipboard, imageCopy, gifs, registry, launcher, files, pictures});
    program.setEndAction([] {});
    program.Main();
    if (!QTest::qWaitForWindowExposed(&program.parentWindow())) {
        std::fprintf(stderr, "the main window was never exposed\n");
        return EXIT_FAILURE;
    }
    settle();

    PaintMeter meter(program.banner());
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    std::printf("bench-drag: text label drag, %d moves per size, a paint after each move\n", moves);
    std::printf("  platform: %s\n", platform && *platform ? platform : "(Qt default)");

    const Result small = dragOn(program, meter, QSize(468, 60), moves);
    print("small", small);
    const Result large = dragOn(program, meter, QSize(4000, 1000), moves);
    print("large", large);

    const double costRatio = large.microsecondsPerMove() / small.microsecondsPerMove();
    std::printf("  per-move cost large/small: %.3f\n", costRatio);

    if (dialogs.unexpected || mover.calls || clipboard.calls || imageCopy.calls) {
        std::fprintf(stderr,
                     "the drag opened %d boxes, moved the window %d times and used the clipboard or the"
                     " image copy %d times; figures are void\n",
                     dialogs.unexpected, mover.calls, clipboard.calls + imageCopy.calls);
        return EXIT_FAILURE;
    }
    const bool fastEnough = std::min(small.movesPerSecond(), large.movesPerSecond()) >= kTargetMovesPerSecond;
    const bool scales = costRatio <= kTargetLargeOverSmall;
    const bool local = small.strayMoves == 0 && large.strayMoves == 0;
    std::printf("targets: >= %.0f moves/s on both sizes: %s; large within %.1fx of small: %s;"
                " only the label's places repainted: %s\n",
                kTargetMovesPerSecond, fastEnough ? "MET" : "MISSED", kTargetLargeOverSmall, scales ? "MET" : "MISSED",
                local ? "YES" : "NO");
    std::printf("drag targets %s\n", fastEnough && scales ? "MET" : "MISSED");
    return EXIT_SUCCESS;
}
