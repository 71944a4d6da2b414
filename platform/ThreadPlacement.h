#pragma once

#include <cstddef>
#include <vector>

// The processor the calling thread is running on, or -1 where the system does
// not say.
int currentProcessor();

// While it lives, keeps the calling thread off one processor, so that it does
// not take that processor from the thread working there; once it is gone the
// thread may run wherever it could before. Does nothing where the system lets
// no thread choose, for -1 or a processor the thread may not use anyway, and
// when that processor is the only one it may use.
class ProcessorAvoidance final
{
public:
    explicit ProcessorAvoidance(int processor);
    ~ProcessorAvoidance();
    ProcessorAvoidance(const ProcessorAvoidance &) = delete;
    ProcessorAvoidance &operator=(const ProcessorAvoidance &) = delete;

private:
    std::vector<std::size_t> m_allowed; // the processors to give back; empty when none was taken away
};
