#include "about/frmHelp.h"

#include "common/Texts.h"
#include "common/ToolbarArt.h"
#include "platform/DesignFont.h"
#include "platform/Units.h"

#include <QPaintEvent>
#include <QPainter>

#include <utility>

frmHelp::frmHelp()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(Texts::kHelpCaption);
    setWindowIcon(ToolbarArt::programIcon());
    setFixedSize(Units::pixels(5880), Units::pixels(1605));
    setFont(DesignFont::msSansSerif(12, true));
    Form_Load();
}

QString frmHelp::helpText()
{
    return QStringLiteral("Tarvello Provides Tooltips for each\r"
                          "Function Which Will Help you Along\r"
                          "If You Have questions Please Visit Our\r"
                          "Web site At:\r"
                          "www.tarvello.example");
}

void frmHelp::Form_Load()
{
    m_picture = QImage(size(), QImage::Format_RGB32);
    m_picture.fill(palette().color(QPalette::Button));
    QPainter p(&m_picture);
    p.setFont(font());
    p.setPen(palette().color(QPalette::ButtonText));
    QString text = helpText();
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    p.drawText(m_picture.rect(), Qt::AlignLeft | Qt::AlignTop, text);
}

void frmHelp::Show()
{
    show();
    raise();
    activateWindow();
}

void frmHelp::Form_Click()
{
    hide();
}

void frmHelp::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.drawImage(event->rect(), m_picture, event->rect());
}

void frmHelp::mousePressEvent(QMouseEvent *)
{
    m_pressed = true;
}

// A click is a press and a release on the window; nothing follows a drag.
void frmHelp::mouseReleaseEvent(QMouseEvent *event)
{
    if (std::exchange(m_pressed, false) && rect().contains(event->position().toPoint()))
        Form_Click();
}
