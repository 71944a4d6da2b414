// What the decoder process runs for "Load" and the viewer's still preview,
// fed any bytes: it may refuse them, never crash, hang or allocate past its
// bound.
#include "files/PictureFiles.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    try {
        const QImage picture = PictureFiles::decode(
            QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
        if (picture.isNull())
            __builtin_trap(); // success must mean a picture
    } catch (const PictureFiles::Refusal &) {
    }
    return 0;
}
