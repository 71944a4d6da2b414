#include "ScriptedRegistry.h"

#include <algorithm>

void ScriptedRegistry::setValue(const std::string &key, const std::string &name, std::uint32_t type,
                                std::vector<std::uint8_t> bytes)
{
    m_keys[key][name] = Stored{type, std::move(bytes)};
}

void ScriptedRegistry::setString(const std::string &key, const std::string &name, const std::string &text)
{
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    setValue(key, name, kSz, std::move(bytes));
}

std::optional<Registry::Key> ScriptedRegistry::openKey(Key root, const std::string &path, std::uint32_t access)
{
    accessMasks.push_back(access);
    if (root != kLocalMachine || !m_keys.contains(path))
        return std::nullopt;
    m_open[m_next] = path;
    return m_next++;
}

std::optional<Registry::Value> ScriptedRegistry::queryValue(Key key, const std::string &name,
                                                            std::span<std::uint8_t> buffer)
{
    const auto open = m_open.find(key);
    if (open == m_open.end())
        return std::nullopt;
    const auto &values = m_keys[open->second];
    const auto value = values.find(name);
    // The system refuses a value that does not fit rather than cut it short.
    if (value == values.end() || value->second.bytes.size() > buffer.size())
        return std::nullopt;
    std::copy(value->second.bytes.begin(), value->second.bytes.end(), buffer.begin());
    return Value{value->second.type, value->second.bytes.size()};
}

void ScriptedRegistry::closeKey(Key key)
{
    m_open.erase(key);
}
