#include "platform/StartupWarmUp.h"

// Windows lists its fonts without a configuration to read first.
void readFontConfiguration() { }

std::vector<std::string> configuredFontFamilies()
{
    return {};
}
