#pragma once

#include "platform/FileProbe.h"

class SystemFileProbe final : public FileProbe
{
public:
    bool fileExists(const std::string &path) override;
};
