#pragma once

#include "platform/Registry.h"

// The operating system's registry; on systems without one every call fails.
class SystemRegistry final : public Registry
{
public:
    std::optional<Key> openKey(Key root, const std::string &path, std::uint32_t access) override;
    std::optional<Value> queryValue(Key key, const std::string &name, std::span<std::uint8_t> buffer) override;
    void closeKey(Key key) override;
};
