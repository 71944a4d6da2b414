#include "platform/Sandbox.h"

#include <sys/resource.h>
#include <unistd.h>

#ifdef __linux__
#include <sys/prctl.h>
#include <sys/syscall.h>
#endif
#ifdef TARVELLO_SECCOMP
#include <sched.h>
#include <seccomp.h>
#endif

#include <algorithm>
#include <cerrno>

namespace {

void setLimit(int resource, rlim_t soft, rlim_t hard)
{
    rlimit limit{};
    if (getrlimit(resource, &limit) != 0)
        return;
    // A limit can only be lowered.
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? soft : std::min(soft, limit.rlim_max);
    limit.rlim_max = limit.rlim_max == RLIM_INFINITY ? hard : std::min(hard, limit.rlim_max);
    setrlimit(resource, &limit);
}

} // namespace

void Sandbox::limitResources(std::uint64_t addressSpaceBytes, unsigned processorSeconds)
{
    // AddressSanitizer reserves terabytes of address space for its shadow;
    // the decoder's memory is bounded by its allocations there.
#if !defined(__SANITIZE_ADDRESS__) && !defined(TARVELLO_SANITIZE)
    setLimit(RLIMIT_AS, addressSpaceBytes, addressSpaceBytes);
#else
    (void)addressSpaceBytes;
#endif
    // Past the soft limit the system sends SIGXCPU, past the hard one SIGKILL.
    setLimit(RLIMIT_CPU, processorSeconds, processorSeconds + 1);
    setLimit(RLIMIT_CORE, 0, 0);
}

void Sandbox::closeDescriptorsFrom(int first)
{
#if defined(__linux__) && defined(SYS_close_range)
    if (syscall(SYS_close_range, unsigned(first), ~0U, 0U) == 0)
        return;
#endif
    const long last = sysconf(_SC_OPEN_MAX);
    for (long fd = first; fd < (last > 0 ? last : 1024); ++fd)
        close(int(fd));
}

bool Sandbox::confine()
{
#ifdef TARVELLO_SECCOMP
    // Only what decoding held data needs; anything else fails with EPERM
    // instead of killing the process, so a library that tries (to read a
    // configuration file, say) goes on without it.
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ERRNO(EPERM));
    if (!filter)
        return false;
    const int allowed[] = {
        SCMP_SYS(read),
        SCMP_SYS(write),
        SCMP_SYS(readv),
        SCMP_SYS(writev),
        SCMP_SYS(pread64),
        SCMP_SYS(close),
        SCMP_SYS(fstat),
        SCMP_SYS(newfstatat),
        SCMP_SYS(lseek),
        SCMP_SYS(brk),
        SCMP_SYS(mmap),
        SCMP_SYS(munmap),
        SCMP_SYS(mremap),
        SCMP_SYS(mprotect),
        SCMP_SYS(madvise),
        SCMP_SYS(futex),
        SCMP_SYS(rt_sigreturn),
        SCMP_SYS(rt_sigaction),
        SCMP_SYS(rt_sigprocmask),
        SCMP_SYS(sigaltstack),
        SCMP_SYS(exit),
        SCMP_SYS(exit_group),
        SCMP_SYS(getpid),
        SCMP_SYS(gettid),
        SCMP_SYS(tgkill),
        SCMP_SYS(clock_gettime),
        SCMP_SYS(clock_nanosleep),
        SCMP_SYS(nanosleep),
        SCMP_SYS(sched_yield),
        SCMP_SYS(getrandom),
        SCMP_SYS(getrusage),
        SCMP_SYS(set_robust_list),
        SCMP_SYS(rseq),
        SCMP_SYS(sched_getaffinity),
        SCMP_SYS(eventfd2),
        SCMP_SYS(pipe2),
        SCMP_SYS(poll),
        SCMP_SYS(ppoll),
    };
    bool ok = true;
    for (const int call : allowed)
        ok = ok && seccomp_rule_add(filter, SCMP_ACT_ALLOW, call, 0) == 0;
    // Threads, which the toolkit's image conversions use, but no process: the
    // filter can see clone's flags, not clone3's, which then seems absent and
    // the C library falls back to clone.
    ok = ok
        && seccomp_rule_add(filter, SCMP_ACT_ALLOW, SCMP_SYS(clone), 1,
                            SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, CLONE_THREAD))
            == 0
        && seccomp_rule_add(filter, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0) == 0
        && seccomp_rule_add(filter, SCMP_ACT_ALLOW, SCMP_SYS(prctl), 1, SCMP_A0(SCMP_CMP_EQ, PR_SET_NAME)) == 0;
    // The filter can only be installed by a process that cannot gain privileges.
    ok = ok && prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && seccomp_load(filter) == 0;
    seccomp_release(filter);
    return ok;
#else
    return false;
#endif
}
