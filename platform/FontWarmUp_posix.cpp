#include "platform/FontWarmUp.h"

#include <fontconfig/fontconfig.h>

#include <system_error>

FontWarmUp::FontWarmUp()
{
    try {
        // Reading the configuration files takes milliseconds of processor
        // time, while the display connection mostly waits. Should the reading
        // fail here, the toolkit's own first call tries again.
        m_thread = std::thread([] { FcInit(); });
    } catch (const std::system_error &) {
        // No thread: the toolkit reads the configuration itself, later.
    }
}

FontWarmUp::~FontWarmUp()
{
    finish();
}

void FontWarmUp::finish()
{
    if (m_thread.joinable())
        m_thread.join();
}
