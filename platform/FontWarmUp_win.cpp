#include "platform/FontWarmUp.h"

// Windows lists its fonts without a configuration to read first.
FontWarmUp::FontWarmUp() = default;

FontWarmUp::~FontWarmUp() = default;

void FontWarmUp::finish() { }
