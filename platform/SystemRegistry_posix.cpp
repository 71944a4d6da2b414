#include "platform/SystemRegistry.h"

// There is no registry here: nothing can be opened, so nothing is ever read.
std::optional<Registry::Key> SystemRegistry::openKey(Key, const std::string &, std::uint32_t)
{
    return std::nullopt;
}

std::optional<Registry::Value> SystemRegistry::queryValue(Key, const std::string &, std::span<std::uint8_t>)
{
    return std::nullopt;
}

void SystemRegistry::closeKey(Key) { }
