// The palette strip: the swatches, the foreground swatch and the work area colour.
#include "app/ModStart.h"
#include "app/Parent.h"
#include "app/PictureBox.h"
#include "banner/FrmBanner.h"

const std::array<OleColor::Value, Parent::kPaletteSize> Parent::kPaletteColors = {
    0x000000, 0x000080, 0x008000, 0xC0C000, 0xC0C0FF, 0x80FF80, 0xC00000, 0x80C0FF, 0xFF0000, 0xFF00FF,
    0x0080FF, 0x80FFFF, 0xFFFFC0, 0xFFC0FF, 0xFFFFFF, 0xC0C0C0, 0x00C0C0, 0xFF00FF, 0x00FFFF, 0x8080FF,
    0xFFC0C0, 0xFFFF00, 0x00C000, 0x008080, 0xC0E0FF, 0xC00000, 0x808000, 0x00FF00,
};

void Parent::palette_Click(int index)
{
    const OleColor::Value color = swatch(index)->BackColor();
    m_picture2->setBackColor(color);
    m_commonDialog.setColor(color);
    m_app.banner().setForeColor(color);
}

void Parent::palette_DblClick(int /*index*/)
{
    m_commonDialog.ShowColor();
    m_picture2->setBackColor(m_commonDialog.Color());
}

void Parent::cmdwrkcolor_Click()
{
    setBackColor(m_picture2->BackColor());
}
