#include "viewer/FrmView.h"

#include "app/Texts.h"
#include "platform/Units.h"

#include <QMdiArea>
#include <QMdiSubWindow>

FrmView::FrmView(QMdiArea &workArea)
{
    setObjectName(QStringLiteral("FrmView"));
    setWindowTitle(Texts::kViewCaption);
    resize(Units::pixels(8610), Units::pixels(4665));
    m_window = workArea.addSubWindow(this);
    m_window->setObjectName(QStringLiteral("FrmViewWindow"));
    m_window->resize(m_window->sizeHint());
    m_window->setWindowTitle(Texts::kViewCaption);
    m_window->setAttribute(Qt::WA_DeleteOnClose);
    Form_Load();
}

void FrmView::Form_Load()
{
}

void FrmView::Show()
{
    m_window->show();
    m_window->raise();
    m_window->mdiArea()->setActiveSubWindow(m_window);
}

QSize FrmView::sizeHint() const
{
    return QSize(Units::pixels(8610), Units::pixels(4665));
}
