#pragma once

#include "platform/FileProbe.h"

#include <set>
#include <vector>

// A disk that holds only the files the test lists; it records each question.
class ScriptedFileProbe final : public FileProbe
{
public:
    bool fileExists(const std::string &path) override
    {
        asked.push_back(path);
        return files.contains(path);
    }

    std::set<std::string> files;
    std::vector<std::string> asked;
};
