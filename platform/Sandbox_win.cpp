#include "platform/Sandbox.h"

// Windows builds decode in the program's own process (files/DecoderProcess_win.cpp).
void Sandbox::limitResources(std::uint64_t, unsigned) { }

void Sandbox::closeDescriptorsFrom(int) { }

bool Sandbox::confine()
{
    return false;
}
