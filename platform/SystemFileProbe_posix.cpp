#include "platform/SystemFileProbe.h"

#include <filesystem>
#include <system_error>

bool SystemFileProbe::fileExists(const std::string &path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(std::filesystem::path(path), error);
}
