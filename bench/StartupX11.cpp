#include "StartupX11.h"

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <set>
#include <utility>
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

constexpr int kTimeoutMs = 30000;
constexpr int kIdleMs = 2000;
// Memory settles the same way every run, so a few runs tell it; timing needs
// hundreds to resolve a per cent.
constexpr int kMemoryRuns = 10;
constexpr int kResamples = 2000;
// A stopped program's teardown, in the kernel and in the X server, must not
// overlap the next start.
constexpr int kSettleMs = 250;
constexpr double kTargetRatio = 1.0;
constexpr double kMemoryAllowanceMiB = 4.0;

struct Sample
{
    double ms = -1;
    double rssMiB = -1;
};

struct Display
{
    xcb_connection_t *c = nullptr;
    xcb_window_t root = 0;
    uint8_t damageEvent = 0;
};

bool openDisplay(Display &d)
{
    d.c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(d.c)) {
        std::fprintf(stderr, "cannot connect to the X display (is DISPLAY set?)\n");
        return false;
    }
    const xcb_query_extension_reply_t *ext = xcb_get_extension_data(d.c, &xcb_damage_id);
    if (!ext || !ext->present) {
        std::fprintf(stderr, "the X server has no DAMAGE extension\n");
        return false;
    }
    d.damageEvent = ext->first_event;
    free(xcb_damage_query_version_reply(d.c, xcb_damage_query_version(d.c, 1, 1), nullptr));
    d.root = xcb_setup_roots_iterator(xcb_get_setup(d.c)).data->root;
    // New top-level windows and their mapping are announced on the root.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(d.c, d.root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(d.c);
    return true;
}

// A round trip first, so that every event of the last run has arrived.
void drain(Display &d)
{
    free(xcb_get_input_focus_reply(d.c, xcb_get_input_focus(d.c), nullptr));
    while (xcb_generic_event_t *e = xcb_poll_for_event(d.c))
        free(e);
}

double residentMiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    }
    return -1;
}

// Spawns the program and waits for the first drawing into a mapped top-level
// window of it. Windows get their damage object as soon as they are created,
// before anything can be drawn into them. Qt creates its windows without a
// background, so the server itself draws nothing into them.
Sample measureOnce(Display &d, const std::string &path, bool measureMemory)
{
    Sample s;
    ::usleep(kSettleMs * 1000);
    drain(d);
    std::string arg0 = path;
    char *args[] = {arg0.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const Clock::time_point start = Clock::now();
    const int spawned = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", path.c_str(), std::strerror(spawned));
        return s;
    }

    std::set<xcb_window_t> mapped;
    std::vector<xcb_damage_damage_t> damages;
    const int fd = xcb_get_file_descriptor(d.c);
    bool painted = false;
    while (!painted) {
        xcb_generic_event_t *e = xcb_poll_for_event(d.c);
        if (!e) {
            const double waited = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            pollfd p{fd, POLLIN, 0};
            if (waited > kTimeoutMs || ::poll(&p, 1, int(kTimeoutMs - waited)) <= 0)
                break;
            continue;
        }
        const uint8_t type = e->response_type & 0x7F;
        if (type == XCB_CREATE_NOTIFY) {
            const auto *created = reinterpret_cast<xcb_create_notify_event_t *>(e);
            if (created->parent == d.root) {
                const xcb_damage_damage_t damage = xcb_generate_id(d.c);
                xcb_damage_create(d.c, damage, created->window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
                xcb_flush(d.c);
                damages.push_back(damage);
            }
        } else if (type == XCB_MAP_NOTIFY) {
            mapped.insert(reinterpret_cast<xcb_map_notify_event_t *>(e)->window);
        } else if (type == d.damageEvent + XCB_DAMAGE_NOTIFY) {
            if (mapped.contains(reinterpret_cast<xcb_damage_notify_event_t *>(e)->drawable)) {
                s.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                painted = true;
            }
        }
        free(e);
    }
    if (painted && measureMemory) {
        ::usleep(kIdleMs * 1000);
        s.rssMiB = residentMiB(pid);
    } else if (!painted) {
        std::fprintf(stderr, "%s showed no painted window within %d s\n", path.c_str(), kTimeoutMs / 1000);
    }
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    for (xcb_damage_damage_t damage : damages)
        xcb_damage_destroy(d.c, damage); // windows already gone leave an error event, drained later
    xcb_flush(d.c);
    return s;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

// The 95 % interval of median(a) / median(b), by resampling the runs in their
// pairs, so that drift of the machine during the batch stays paired too.
std::pair<double, double> ratioInterval(const std::vector<double> &a, const std::vector<double> &b)
{
    std::mt19937 random(20261207); // the same batch always gives the same interval
    std::uniform_int_distribution<std::size_t> pick(0, a.size() - 1);
    std::vector<double> ratios, sa(a.size()), sb(b.size());
    for (int r = 0; r < kResamples; ++r) {
        for (std::size_t i = 0; i < a.size(); ++i) {
            const std::size_t k = pick(random);
            sa[i] = a[k];
            sb[i] = b[k];
        }
        ratios.push_back(median(sa) / median(sb));
    }
    std::sort(ratios.begin(), ratios.end());
    return {ratios[kResamples * 25 / 1000], ratios[kResamples * 975 / 1000]};
}

} // namespace

int runStartupX11(const std::string &program, const std::string &minimal, int runs)
{
    Display d;
    if (!openDisplay(d))
        return EXIT_FAILURE;
    std::printf("bench-startup --x11: spawn to first painted main window, %d runs each, alternating; "
                "RSS %d s later in the first %d\n",
                runs, kIdleMs / 1000, std::min(runs, kMemoryRuns));
    std::printf("  program: %s\n  minimal: %s\n", program.c_str(), minimal.c_str());

    const std::string paths[2] = {program, minimal};
    std::vector<double> ms[2], rss[2];
    // One unrecorded run of each warms the page and font caches.
    for (const std::string &p : paths)
        if (measureOnce(d, p, false).ms < 0)
            return EXIT_FAILURE;
    for (int i = 0; i < runs; ++i) {
        for (int k = 0; k < 2; ++k) {
            const int which = (k + i) % 2;
            const Sample s = measureOnce(d, paths[which], i < kMemoryRuns);
            if (s.ms < 0)
                return EXIT_FAILURE;
            ms[which].push_back(s.ms);
            if (s.rssMiB >= 0)
                rss[which].push_back(s.rssMiB);
        }
    }
    const char *labels[2] = {"tarvello", "minimal "};
    for (int k = 0; k < 2; ++k)
        std::printf("  %s: first paint median %8.2f ms (min %8.2f)   idle RSS median %7.2f MiB\n", labels[k],
                    median(ms[k]), *std::min_element(ms[k].begin(), ms[k].end()), median(rss[k]));
    const double ratio = median(ms[0]) / median(ms[1]);
    const auto [low, high] = ratioInterval(ms[0], ms[1]);
    const double extra = median(rss[0]) - median(rss[1]);
    std::printf("target startup ratio tarvello/minimal <= %.2f (medians): %s (%.3f; 95 %% interval %.3f to %.3f)\n",
                kTargetRatio, ratio <= kTargetRatio ? "MET" : "MISSED", ratio, low, high);
    std::printf("target idle RSS within minimal + %.0f MiB: %s (%+.2f MiB)\n", kMemoryAllowanceMiB,
                extra <= kMemoryAllowanceMiB ? "MET" : "MISSED", extra);
    xcb_disconnect(d.c);
    return EXIT_SUCCESS;
}
