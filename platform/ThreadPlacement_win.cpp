#include "platform/ThreadPlacement.h"

// Left to the system on Windows, where it has not been measured.
int currentProcessor()
{
    return -1;
}

ProcessorAvoidance::ProcessorAvoidance(int) { }

ProcessorAvoidance::~ProcessorAvoidance() = default;
