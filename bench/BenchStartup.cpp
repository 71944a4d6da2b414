// Time from process start to the first painted frame of the main window, for
// Tarvello and for a bare Qt window with a work area, measured alternately in
// one run so both see the same machine load and the same warm caches. A third
// program, the bare window with a one-entry menu bar, is measured for
// reference only: it is the cheapest window that draws text, so it pays Qt's
// font set-up that the bare window never needs.
//
//   bench-startup [runs]          parent: spawns the children, prints results
//   bench-startup --runs N        the same
//   bench-startup --child tarvello|baseline|baseline-menu
//                                 child: starts the program, prints one line
//                                 when its first frame is painted, exits
//
// Every child is this same executable, so all pay the same loading and linking.
//
//   bench-startup --x11 PROGRAM [runs]
//                                 on the X display in DISPLAY: PROGRAM (say the
//                                 installed /usr/bin/tarvello) against
//                                 bench-minimal beside this executable

#include "StartupX11.h"
#include "app/ModStart.h"
#include "app/Parent.h"
#include "app/StartupWork.h"
#include "banner/FrmBanner.h"
#include "platform/StartupWarmUp.h"
#include "platform/qt/QtPlatform.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenuBar>
#include <QMetaObject>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDefaultRuns = 15;
constexpr double kTargetRatio = 1.3;
constexpr int kChildTimeoutMs = 30000;
constexpr char kReadyLine[] = "painted\n";

// Waits for the first paint of the watched widget, lets the paint pass that
// contains it finish (the queued call runs after it), then reports and ends the
// process without tearing anything down, so teardown is not measured.
class FirstPaint final : public QObject
{
public:
    explicit FirstPaint(std::function<bool(QObject *)> isTarget)
        : m_isTarget(std::move(isTarget))
    { }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_seen && event->type() == QEvent::Paint && m_isTarget(watched)) {
            m_seen = true;
            QMetaObject::invokeMethod(this, &FirstPaint::report, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static void report()
    {
        const auto size = sizeof kReadyLine - 1;
        const bool written = ::write(STDOUT_FILENO, kReadyLine, size) == static_cast<ssize_t>(size);
        std::_Exit(written ? EXIT_SUCCESS : EXIT_FAILURE);
    }

    std::function<bool(QObject *)> m_isTarget;
    bool m_seen = false;
};

// Exactly what app/main.cpp does, with the probe in place before any window exists.
int runTarvello(int argc, char *argv[])
{
    StartupWarmUp warmUp;
    QApplication application(argc, argv);
    warmUp.thenRun(prepareFirstPaint);
    FirstPaint probe([](QObject *o) { return o->objectName() == QStringLiteral("FrmBanner"); });
    application.installEventFilter(&probe);
    QtPlatform platform;
    ModStart program(platform.services());
    program.Main();
    platform.dialogs.setParentWidget(&program.parentWindow());
    return QApplication::exec();
}

int runBaseline(int argc, char *argv[], bool withMenu)
{
    QApplication application(argc, argv);
    QMainWindow window;
    auto *area = new QMdiArea;
    window.setCentralWidget(area);
    if (withMenu)
        window.menuBar()->addMenu(QStringLiteral("&File"));
    QWidget *viewport = area->viewport();
    FirstPaint probe([viewport](QObject *o) { return o == viewport; });
    application.installEventFilter(&probe);
    window.show();
    return QApplication::exec();
}

std::string selfPath()
{
    std::vector<char> buffer(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0)
        return {};
    return std::string(buffer.data(), static_cast<std::size_t>(n));
}

// The children's warnings would bury the results; they are kept in this file
// and shown only when a child fails.
int g_childErrors = -1;

void showChildErrors()
{
    if (g_childErrors < 0)
        return;
    ::lseek(g_childErrors, 0, SEEK_SET);
    char chunk[4096];
    ssize_t n = 0;
    while ((n = ::read(g_childErrors, chunk, sizeof chunk)) > 0)
        std::fwrite(chunk, 1, static_cast<std::size_t>(n), stderr);
}

// One child run: milliseconds from spawn to its report line, or a negative
// value when it failed.
double measureOnce(const std::string &self, const char *kind)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        std::perror("pipe2");
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    if (g_childErrors >= 0 && ::ftruncate(g_childErrors, 0) == 0 && ::lseek(g_childErrors, 0, SEEK_SET) == 0)
        posix_spawn_file_actions_adddup2(&actions, g_childErrors, STDERR_FILENO);

    std::string arg0 = self;
    std::string arg1 = "--child";
    std::string arg2 = kind;
    char *args[] = {arg0.data(), arg1.data(), arg2.data(), nullptr};

    pid_t pid = 0;
    const Clock::time_point start = Clock::now();
    const int spawned = ::posix_spawn(&pid, self.c_str(), &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawned != 0) {
        std::fprintf(stderr, "posix_spawn: %s\n", std::strerror(spawned));
        ::close(fds[0]);
        return -1;
    }

    std::string got;
    bool complete = false;
    while (!complete) {
        pollfd pfd{fds[0], POLLIN, 0};
        const int ready = ::poll(&pfd, 1, kChildTimeoutMs);
        if (ready <= 0)
            break;
        char chunk[256];
        const ssize_t n = ::read(fds[0], chunk, sizeof chunk);
        if (n <= 0)
            break;
        got.append(chunk, static_cast<std::size_t>(n));
        complete = got.find('\n') != std::string::npos;
    }
    const Clock::time_point end = Clock::now();
    ::close(fds[0]);

    if (!complete)
        ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!complete || got != kReadyLine) {
        std::fflush(stdout);
        std::fprintf(stderr, "the %s child did not report its first paint (status %d); its errors:\n", kind, status);
        showChildErrors();
        return -1;
    }
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

double minimum(const std::vector<double> &values)
{
    return *std::min_element(values.begin(), values.end());
}

struct Program
{
    const char *kind;
    const char *label;
    std::vector<double> ms;
};

int runParent(int runs)
{
    const std::string self = selfPath();
    if (self.empty()) {
        std::fprintf(stderr, "cannot find this executable\n");
        return EXIT_FAILURE;
    }
    char errorsPath[] = "/tmp/bench-startup-XXXXXX";
    g_childErrors = ::mkostemp(errorsPath, O_CLOEXEC);
    if (g_childErrors >= 0)
        ::unlink(errorsPath);

    const char *platform = std::getenv("QT_QPA_PLATFORM");
    std::printf("bench-startup: process start to first painted frame, %d runs each, alternating\n", runs);
    std::printf("  platform: %s\n", platform && *platform ? platform : "(Qt default)");

    std::array<Program, 3> programs{{{"tarvello", "tarvello          ", {}},
                                     {"baseline", "baseline          ", {}},
                                     {"baseline-menu", "baseline + menu   ", {}}}};
    // One unrecorded run of each, so the first recorded one does not pay for
    // cold page and font caches alone.
    for (const Program &p : programs) {
        if (measureOnce(self, p.kind) < 0)
            return EXIT_FAILURE;
    }
    for (int i = 0; i < runs; ++i) {
        // Rotate the order each round so none always runs right after another.
        for (std::size_t k = 0; k < programs.size(); ++k) {
            Program &p = programs[(k + std::size_t(i)) % programs.size()];
            const double ms = measureOnce(self, p.kind);
            if (ms < 0)
                return EXIT_FAILURE;
            p.ms.push_back(ms);
        }
    }

    for (const Program &p : programs)
        std::printf("  %s: median %8.2f ms   min %8.2f ms\n", p.label, median(p.ms), minimum(p.ms));
    const Program &tarvello = programs[0];
    const Program &baseline = programs[1];
    const Program &reference = programs[2];
    const double ratio = median(tarvello.ms) / median(baseline.ms);
    std::printf("  ratio tarvello/baseline: median %.3f   min %.3f\n", ratio,
                minimum(tarvello.ms) / minimum(baseline.ms));
    std::printf("  for reference, tarvello/(baseline with a menu bar): median %.3f   min %.3f\n",
                median(tarvello.ms) / median(reference.ms), minimum(tarvello.ms) / minimum(reference.ms));
    std::printf("target startup ratio tarvello/baseline <= %.2f (medians): %s (%.3f)\n", kTargetRatio,
                ratio <= kTargetRatio ? "MET" : "MISSED", ratio);
    return EXIT_SUCCESS;
}

void usage()
{
    std::fprintf(stderr,
                 "usage: bench-startup [runs] | --runs N | --child tarvello|baseline|baseline-menu"
                 " | --x11 PROGRAM [runs]\n");
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) {
        if (std::strcmp(argv[2], "tarvello") == 0)
            return runTarvello(argc, argv);
        if (std::strcmp(argv[2], "baseline") == 0)
            return runBaseline(argc, argv, false);
        if (std::strcmp(argv[2], "baseline-menu") == 0)
            return runBaseline(argc, argv, true);
        usage();
        return EXIT_FAILURE;
    }

    int runs = kDefaultRuns;
    const char *given = nullptr;
    if (argc >= 3 && std::strcmp(argv[1], "--x11") == 0) {
        const std::string self = selfPath();
        const std::string minimal = self.substr(0, self.rfind('/') + 1) + "bench-minimal";
        const int x11Runs = argc >= 4 ? std::atoi(argv[3]) : kDefaultRuns;
        if (x11Runs < 1) {
            usage();
            return EXIT_FAILURE;
        }
        return runStartupX11(argv[2], minimal, x11Runs);
    }
    if (argc == 2)
        given = argv[1];
    else if (argc == 3 && std::strcmp(argv[1], "--runs") == 0)
        given = argv[2];
    else if (argc != 1) {
        usage();
        return EXIT_FAILURE;
    }
    if (given) {
        char *end = nullptr;
        const long n = std::strtol(given, &end, 10);
        if (!end || *end != '\0' || n < 1 || n > 10000) {
            usage();
            return EXIT_FAILURE;
        }
        runs = static_cast<int>(n);
    }
    return runParent(runs);
}
