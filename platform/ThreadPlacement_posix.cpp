#include "platform/ThreadPlacement.h"

#ifdef __linux__

#include <sched.h>

#include <cstddef>

namespace {
constexpr std::size_t kSetSize = CPU_SETSIZE;
}

int currentProcessor()
{
    return sched_getcpu();
}

ProcessorAvoidance::ProcessorAvoidance(int processor)
{
    // A fixed-size set covers machines of up to CPU_SETSIZE processors; on
    // larger ones the query fails and nothing changes.
    cpu_set_t allowed{};
    if (processor < 0 || std::size_t(processor) >= kSetSize || sched_getaffinity(0, sizeof allowed, &allowed) != 0)
        return;
    const auto avoided = std::size_t(processor);
    if (!CPU_ISSET(avoided, &allowed) || CPU_COUNT(&allowed) < 2)
        return;
    cpu_set_t others = allowed;
    CPU_CLR(avoided, &others);
    if (sched_setaffinity(0, sizeof others, &others) != 0)
        return;
    for (std::size_t i = 0; i < kSetSize; ++i) {
        if (CPU_ISSET(i, &allowed))
            m_allowed.push_back(i);
    }
}

ProcessorAvoidance::~ProcessorAvoidance()
{
    if (m_allowed.empty())
        return;
    cpu_set_t allowed{};
    for (std::size_t i : m_allowed)
        CPU_SET(i, &allowed);
    // The system holds the thread to its own limits, should they have changed
    // meanwhile.
    sched_setaffinity(0, sizeof allowed, &allowed);
}

#else

// Other systems place their threads themselves.
int currentProcessor()
{
    return -1;
}

ProcessorAvoidance::ProcessorAvoidance(int) { }

ProcessorAvoidance::~ProcessorAvoidance() = default;

#endif
