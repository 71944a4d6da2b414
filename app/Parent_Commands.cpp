// The banner editing commands of the command strip and their menu twins.
#include "app/ModStart.h"
#include "app/Parent.h"
#include "app/PictureBox.h"
#include "banner/FrmBanner.h"
#include "banner/frmresize.h"
#include "common/AppIdentity.h"
#include "common/Texts.h"
#include "platform/Failure.h"
#include "viewer/FrmView.h"

#include <cmath>

namespace {

QFont withName(QFont font, const QString &name)
{
    if (name.trimmed().isEmpty())
        throw Failure(QStringLiteral("A font needs a name."));
    font.setFamily(name);
    return font;
}

QFont withSize(QFont font, float points)
{
    if (!std::isfinite(points) || points <= 0.0f || points > 2048.0f)
        throw Failure(QStringLiteral("A font cannot be %1 points.").arg(double(points)));
    font.setPointSizeF(double(points));
    return font;
}

} // namespace

void Parent::Toolbar1_ButtonClick(const QString &key)
{
    if (key == QLatin1String("clear"))
        clearBanner();
    else if (key == QLatin1String("new"))
        newBanner();
    else if (key == QLatin1String("background"))
        armBackColor();
    else if (key == QLatin1String("resize"))
        showResize(true);
    else if (key == QLatin1String("backimage"))
        showViewer();
    else if (key == QLatin1String("text"))
        addText();
    else if (key == QLatin1String("fonts"))
        chooseFonts();
}

void Parent::MnuNew_Click()
{
    newBanner();
}

void Parent::mnubackcolor_Click()
{
    armBackColor();
}

void Parent::MnuBackImage_Click()
{
    showViewer();
}

void Parent::MnuBannerSize_Click()
{
    showResize(false);
}

void Parent::MnuText_Click()
{
    chooseFonts();
}

void Parent::newBanner()
{
    FrmBanner &banner = m_app.banner();
    banner.setBackColor(OleColor::rgb(0xFF, 0xFF, 0xFF));
    banner.setPicture(QImage());
}

void Parent::clearBanner()
{
    m_app.banner().setPicture(QImage());
}

void Parent::armBackColor()
{
    m_app.state().BackColorPending = -1.0f;
}

void Parent::addText()
{
    AppState &state = m_app.state();
    state.BannerText = m_dialogs.inputBox(Texts::kTextPrompt, AppIdentity::kTitle);
    FrmBanner &banner = m_app.banner();
    banner.setLabelCaption(state.BannerText);
    banner.setLabelForeColor(m_commonDialog.Color());
    state.TextPending = true;
}

void Parent::showResize(bool place)
{
    frmresize &dialog = m_app.resizeDialog();
    if (place) {
        dialog.setLeft(80);
        dialog.setTop(214);
    }
    dialog.Show();
}

void Parent::showViewer()
{
    m_app.viewer().Show();
}

void Parent::chooseFonts()
{
    m_commonDialog.ShowFont();
    FrmBanner &banner = m_app.banner();
    const CommonDialog &d = m_commonDialog;
    // The same seven steps for the banner and for its drag label; each value
    // is read again at its step, and a refused one is skipped.
    auto apply = [&](auto font, auto setFont, auto setColour) {
        skipOnFailure([&] { setFont(withSize(font(), d.FontSize())); });
        skipOnFailure([&] { setFont(withName(font(), d.FontName())); });
        auto style = [&](void (QFont::*set)(bool), bool (CommonDialog::*value)() const) {
            skipOnFailure([&] {
                QFont f = font();
                (f.*set)((d.*value)());
                setFont(f);
            });
        };
        style(&QFont::setBold, &CommonDialog::FontBold);
        style(&QFont::setItalic, &CommonDialog::FontItalic);
        style(&QFont::setStrikeOut, &CommonDialog::FontStrikethru);
        style(&QFont::setUnderline, &CommonDialog::FontUnderline);
        skipOnFailure([&] { setColour(m_picture2->BackColor()); });
    };
    apply([&] { return banner.bannerFont(); }, [&](const QFont &f) { banner.setBannerFont(f); },
          [&](OleColor::Value c) { banner.setForeColor(c); });
    apply([&] { return banner.labelFont(); }, [&](const QFont &f) { banner.setLabelFont(f); },
          [&](OleColor::Value c) { banner.setLabelForeColor(c); });
}
