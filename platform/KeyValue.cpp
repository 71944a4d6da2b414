#include "platform/KeyValue.h"

#include <array>
#include <cstdint>

namespace KeyValue {

bool read(Registry &registry, Registry::Key keyRoot, const std::string &keyName, const std::string &subKeyRef,
          std::string &keyVal)
{
    // Asking for no more than reading lets accounts without write rights on
    // the key read it too.
    const std::optional<Registry::Key> key = registry.openKey(keyRoot, keyName, Registry::kKeyRead);
    if (!key) {
        keyVal.clear();
        return false;
    }
    std::array<std::uint8_t, kBufferSize> buffer{};
    const std::optional<Registry::Value> value = registry.queryValue(*key, subKeyRef, buffer);
    registry.closeKey(*key);
    // An empty value has no last character to look at; it counts as missing.
    if (!value || value->count == 0 || value->count > buffer.size()) {
        keyVal.clear();
        return false;
    }

    std::size_t length = value->count;
    if (buffer[length - 1] == 0)
        --length; // the terminating NUL, when the value was stored with one
    const auto *bytes = buffer.data();

    switch (value->type) {
    case Registry::kSz: keyVal.assign(bytes, bytes + length); break;
    case Registry::kDword:
        // Least significant byte first; a dropped NUL was a zero high byte.
        // A longer value is no DWORD and is left alone as other types are.
        if (length <= sizeof(std::uint32_t)) {
            std::uint32_t number = 0;
            for (std::size_t i = length; i > 0; --i)
                number = number << 8 | bytes[i - 1];
            keyVal = std::to_string(number);
        }
        break;
    default: break;
    }
    return true;
}

} // namespace KeyValue
