// The File menu's picture commands: save, load and the two exports.
#include "app/ModStart.h"
#include "app/Parent.h"
#include "app/PictureBox.h"
#include "banner/FrmBanner.h"
#include "common/Texts.h"
#include "files/PictureFiles.h"
#include "platform/Clipboard.h"
#include "platform/Failure.h"
#include "platform/ImageCopy.h"
#include "platform/PictureReader.h"
#include "platform/Units.h"
#include "platform/qt/BusyCursor.h"

#include <cfenv>
#include <cmath>
#include <limits>

long Parent::roundHalfEven(double value)
{
    // The default rounding mode sends halves to the even neighbour.
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(saved);
    return long(rounded);
}

void Parent::MnuSave_Click()
{
    m_commonDialog.setFilter(Texts::kBmpFilter);
    m_commonDialog.setDefaultExt(QStringLiteral("bmp"));
    if (!m_commonDialog.ShowSave())
        return;
    if (m_commonDialog.FileName() == QString())
        return;
    PictureFiles::savePicture(m_app.banner().Image(), m_commonDialog.FileName());
}

void Parent::MnuBmp_Click()
{
    MnuSave_Click();
}

void Parent::MnuLoad_Click()
{
    m_commonDialog.setFilter(Texts::kLoadFilter);
    // Loading on a cancel would replace the banner, and every text placed on
    // it, with the file chosen before or with nothing.
    if (!m_commonDialog.ShowOpen())
        return;
    // Loaded in full before the banner is touched: a failure leaves it as it was.
    const QImage picture = [&] {
        const BusyCursor busy;
        return m_app.platform().pictures.read(m_commonDialog.FileName());
    }();
    m_app.banner().setPicture(picture);
}

void Parent::openFile(const QString &path)
{
    // Guarded like a menu command: a bad file is reported and the banner stays.
    run([this, &path] { m_app.banner().setPicture(m_app.platform().pictures.read(path)); });
}

void Parent::MnuGif_Click()
{
    FrmBanner &banner = m_app.banner();
    const float width = banner.Width() / float(Units::kTwipsPerPixel);
    const long height = roundHalfEven(double(banner.Height() / float(Units::kTwipsPerPixel)));
    if (height > std::numeric_limits<qint16>::max())
        throw Failure(QStringLiteral("The banner is too high for a GIF export."));
    m_imageCopy.setMode(1);
    m_clipboard.setImage(banner.Image());
    const QImage copied = m_clipboard.image();
    if (copied.isNull())
        throw Failure(
            QStringLiteral("The banner could not be copied through the clipboard; another program may hold it."));
    m_picture4->setPicture(copied);
    m_commonDialog.setFilter(Texts::kGifFilter);
    m_commonDialog.setDefaultExt(QStringLiteral("gif"));
    if (!m_commonDialog.ShowSave())
        return;
    const QImage &bitmap = m_picture4->Picture();
    m_imageCopy.copyToGif(bitmap, m_commonDialog.FileName(), roundHalfEven(double(width)), height);
}
