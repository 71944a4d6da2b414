#include "platform/StartupWarmUp.h"

#include <fontconfig/fontconfig.h>

#include <atomic>
#include <mutex>

namespace {

std::vector<std::string> g_families; // written once, before g_familiesKnown is set
std::atomic<bool> g_familiesKnown{false};
std::once_flag g_listed;

std::vector<std::string> listFamilies()
{
    // The toolkit lists the generic names too, which the configuration
    // resolves to whatever fonts it prefers.
    std::vector<std::string> names = {"Serif", "Sans Serif", "Monospace"};
    FcPattern *pattern = FcPatternCreate();
    FcObjectSet *objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet *fonts = pattern && objects ? FcFontList(nullptr, pattern, objects) : nullptr;
    for (int i = 0; fonts && i < fonts->nfont; ++i) {
        FcChar8 *family = nullptr;
        for (int k = 0; FcPatternGetString(fonts->fonts[i], FC_FAMILY, k, &family) == FcResultMatch; ++k)
            names.emplace_back(reinterpret_cast<const char *>(family));
    }
    if (fonts)
        FcFontSetDestroy(fonts);
    if (objects)
        FcObjectSetDestroy(objects);
    if (pattern)
        FcPatternDestroy(pattern);
    return names;
}

} // namespace

void readFontConfiguration()
{
    // Should reading fail here, the toolkit's own first call tries again.
    if (!FcInit())
        return;
    std::call_once(g_listed, [] {
        g_families = listFamilies();
        g_familiesKnown.store(true, std::memory_order_release);
    });
}

std::vector<std::string> configuredFontFamilies()
{
    return g_familiesKnown.load(std::memory_order_acquire) ? g_families : std::vector<std::string>();
}
