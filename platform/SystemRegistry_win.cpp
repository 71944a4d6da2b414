#include "platform/SystemRegistry.h"

#include <windows.h>

namespace {

// The predefined root keys are sign-extended 32-bit values on 64-bit Windows.
HKEY handle(Registry::Key key)
{
    return key == Registry::kLocalMachine ? HKEY_LOCAL_MACHINE : reinterpret_cast<HKEY>(key);
}

} // namespace

std::optional<Registry::Key> SystemRegistry::openKey(Key root, const std::string &path, std::uint32_t access)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(handle(root), path.c_str(), 0, access, &key) != ERROR_SUCCESS)
        return std::nullopt;
    return reinterpret_cast<Key>(key);
}

std::optional<Registry::Value> SystemRegistry::queryValue(Key key, const std::string &name,
                                                          std::span<std::uint8_t> buffer)
{
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(buffer.size());
    if (RegQueryValueExA(handle(key), name.c_str(), nullptr, &type, buffer.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    return Value{type, size};
}

void SystemRegistry::closeKey(Key key)
{
    RegCloseKey(handle(key));
}
