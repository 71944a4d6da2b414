#include "platform/StartupWarmUp.h"

#include <fontconfig/fontconfig.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace {

std::vector<std::string> g_families; // written once, before g_familiesKnown is set
std::atomic<bool> g_familiesKnown{false};
std::once_flag g_listed;

struct FcFree
{
    void operator()(FcPattern *p) const { FcPatternDestroy(p); }
    void operator()(FcObjectSet *o) const { FcObjectSetDestroy(o); }
    void operator()(FcFontSet *f) const { FcFontSetDestroy(f); }
};

std::vector<std::string> listFamilies()
{
    // The toolkit lists the generic names too, which the configuration
    // resolves to whatever fonts it prefers.
    std::vector<std::string> names = {"Serif", "Sans Serif", "Monospace"};
    const std::unique_ptr<FcPattern, FcFree> pattern(FcPatternCreate());
    const std::unique_ptr<FcObjectSet, FcFree> objects(FcObjectSetBuild(FC_FAMILY, nullptr));
    const std::unique_ptr<FcFontSet, FcFree> fonts(
        pattern && objects ? FcFontList(nullptr, pattern.get(), objects.get()) : nullptr);
    for (int i = 0; fonts && i < fonts->nfont; ++i) {
        FcChar8 *family = nullptr;
        for (int k = 0; FcPatternGetString(fonts->fonts[i], FC_FAMILY, k, &family) == FcResultMatch; ++k)
            names.emplace_back(reinterpret_cast<const char *>(family));
    }
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
