#pragma once

#include <string>

// Whether a file is there, for choosing between places a program may live.
class FileProbe
{
public:
    virtual ~FileProbe() = default;

    // True for a file, false for a folder or nothing at all.
    virtual bool fileExists(const std::string &path) = 0;
};
