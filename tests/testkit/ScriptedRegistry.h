#pragma once

#include "platform/Registry.h"

#include <map>
#include <vector>

// A registry made of the keys and values a test puts in it. It counts open
// keys so that a test can tell none was left open.
class ScriptedRegistry final : public Registry
{
public:
    void setValue(const std::string &key, const std::string &name, std::uint32_t type, std::vector<std::uint8_t> bytes);
    // A string value as the system stores it, with its terminating NUL.
    void setString(const std::string &key, const std::string &name, const std::string &text);

    std::optional<Key> openKey(Key root, const std::string &path, std::uint32_t access) override;
    std::optional<Value> queryValue(Key key, const std::string &name, std::span<std::uint8_t> buffer) override;
    void closeKey(Key key) override;

    int openKeys() const { return int(m_open.size()); }
    std::vector<std::uint32_t> accessMasks;

private:
    struct Stored
    {
        std::uint32_t type;
        std::vector<std::uint8_t> bytes;
    };
    // Key paths under the local machine root only, the one root the program reads.
    std::map<std::string, std::map<std::string, Stored>> m_keys;
    std::map<Key, std::string> m_open;
    Key m_next = 1;
};
