#include "platform/SystemFileProbe.h"

#include <windows.h>

bool SystemFileProbe::fileExists(const std::string &path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return !path.empty() && attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
