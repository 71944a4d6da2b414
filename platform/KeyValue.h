#pragma once

#include "platform/Registry.h"

#include <string>

namespace KeyValue {

inline constexpr std::size_t kBufferSize = 1024;

// Reads one registry value as text into keyVal. A string value becomes the
// text, a DWORD its decimal number, any other type leaves keyVal as it was;
// the result is then true. A key or value that cannot be read, is empty or
// is longer than the buffer gives false and an empty keyVal.
bool read(Registry &registry, Registry::Key keyRoot, const std::string &keyName, const std::string &subKeyRef,
          std::string &keyVal);

} // namespace KeyValue
