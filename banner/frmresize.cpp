#include "banner/frmresize.h"

#include "app/Texts.h"
#include "platform/Units.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <cmath>

frmresize::frmresize(QMdiArea &workArea)
{
    setObjectName(QStringLiteral("frmresize"));
    setWindowTitle(Texts::kResizeCaption);
    resize(Units::pixels(7935), Units::pixels(5430));
    m_window = workArea.addSubWindow(this);
    m_window->setObjectName(QStringLiteral("frmresizeWindow"));
    m_window->setWindowTitle(Texts::kResizeCaption);
    // Closing it with its own box only hides it, as OK and Cancel do.
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);
    Form_Load();
}

void frmresize::Form_Load()
{
}

float frmresize::Left() const
{
    return Units::toTwips(float(m_window->x()));
}

void frmresize::setLeft(float twips)
{
    m_window->move(int(std::lround(Units::toPixels(twips))), m_window->y());
}

float frmresize::Top() const
{
    return Units::toTwips(float(m_window->y()));
}

void frmresize::setTop(float twips)
{
    m_window->move(m_window->x(), int(std::lround(Units::toPixels(twips))));
}

void frmresize::Show()
{
    m_window->show();
    m_window->raise();
    m_window->mdiArea()->setActiveSubWindow(m_window);
}
