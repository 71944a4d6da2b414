#pragma once

#include <cstdint>

// Confines a process that handles untrusted data, such as the picture
// decoder, so that whatever the data makes its code do stays within it.
namespace Sandbox {

// Limits this process from here on: its address space, its processor time
// (the system stops it past that) and no core files.
void limitResources(std::uint64_t addressSpaceBytes, unsigned processorSeconds);

// Closes every descriptor from `first` on: the process keeps only what it
// was meant to be given.
void closeDescriptorsFrom(int first);

// From here on this process may not open files, create sockets or connect,
// or start programs; reading and writing what it holds open, allocating
// memory and starting threads go on. False where the system cannot enforce
// that.
bool confine();

} // namespace Sandbox
