#include "platform/StartupWarmUp.h"

#include <fontconfig/fontconfig.h>

void readFontConfiguration()
{
    // Should reading fail here, the toolkit's own first call tries again.
    FcInit();
}
