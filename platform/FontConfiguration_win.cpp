#include "platform/FontConfiguration.h"

// Windows lists its fonts without a configuration to read first.
void readFontConfiguration() { }

QSet<QString> configuredFontFamilies()
{
    return {};
}
