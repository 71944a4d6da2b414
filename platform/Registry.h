#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The system registry, read only, through the three calls the about box needs.
// Texts are in the system's ANSI code page. Where there is no registry every
// call fails.
class Registry
{
public:
    // An open key or a predefined root; opaque outside the implementation.
    using Key = std::uintptr_t;
    static constexpr Key kLocalMachine = 0x80000002;

    static constexpr std::uint32_t kSz = 1;
    static constexpr std::uint32_t kExpandSz = 2;
    static constexpr std::uint32_t kDword = 4;
    // READ_CONTROL with the query, enumerate and notify rights.
    static constexpr std::uint32_t kKeyRead = 0x20019;

    struct Value
    {
        std::uint32_t type = 0;
        std::size_t count = 0; // bytes written to the buffer
    };

    virtual ~Registry() = default;

    virtual std::optional<Key> openKey(Key root, const std::string &path, std::uint32_t access) = 0;
    // Fails, among other reasons, when the value does not fit the buffer.
    virtual std::optional<Value> queryValue(Key key, const std::string &name, std::span<std::uint8_t> buffer) = 0;
    virtual void closeKey(Key key) = 0;
};
