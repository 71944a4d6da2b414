#include "banner/frmresize.h"

#include "banner/FrmBanner.h"
#include "common/Texts.h"
#include "platform/DesignFont.h"
#include "platform/Failure.h"
#include "platform/NumberText.h"
#include "platform/OleColor.h"
#include "platform/Units.h"

#include <QCheckBox>
#include <QLabel>
#include <QMdiArea>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>

#include <cmath>
#include <cstdlib>

namespace {

const QColor kForeColor = OleColor::toQColor(0xFF0000); // blue

// Sized to its text, so only where it starts is given.
QLabel *label(QWidget *parent, const char *name, const QString &text, QPoint at, double points)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setFont(DesignFont::msSansSerif(points, true));
    QPalette palette = l->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(palette);
    l->move(at);
    l->adjustSize();
    return l;
}

void setFace(QWidget *w, const QColor &face)
{
    QPalette palette = w->palette();
    palette.setColor(QPalette::Button, face);
    palette.setColor(QPalette::Window, face);
    w->setPalette(palette);
    w->setAutoFillBackground(true);
}

// Reads a number as far as it can: digits, one full stop, an exponent. What
// follows the first character it cannot use is ignored; nothing usable is 0.
double leadingNumber(const QString &text)
{
    const QByteArray latin = text.trimmed().toLatin1();
    char *end = nullptr;
    const double value = std::strtod(latin.constData(), &end);
    return end == latin.constData() ? 0.0 : value;
}

} // namespace

frmresize::frmresize(QMdiArea &workArea, FrmBanner &banner)
    : m_banner(banner)
{
    setObjectName(QStringLiteral("frmresize"));
    setWindowTitle(Texts::kResizeCaption);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(Units::pixels(7935), Units::pixels(5430));

    label(this, "Label1", QStringLiteral("Hold Down Left Mouse Button and Drag out Size of Banner Desired."),
          Units::point(960, 3120), 9.75);
    label(this, "Label2", QStringLiteral("Click OK When Done!"), Units::point(3120, 3480), 9.75);
    m_check1 = new QCheckBox(QStringLiteral("Standard Banner 468 X 60 Pixels"), this);
    m_check1->setObjectName(QStringLiteral("Check1"));
    m_check1->setGeometry(Units::rect(240, 2640, 3135, 255));
    m_check1->setFont(DesignFont::msSansSerif(8.25, true));
    // Where the stand-in font runs wider, the box grows rather than cut its text.
    m_check1->resize(qMax(m_check1->width(), m_check1->sizeHint().width()), m_check1->height());
    setFace(m_check1, OleColor::toQColor(0xC0C0C0));
    {
        QPalette palette = m_check1->palette();
        palette.setColor(QPalette::WindowText, kForeColor);
        m_check1->setPalette(palette);
    }
    m_widthReadout = label(this, "Label3", QStringLiteral("0"), Units::point(1200, 3960), 12);
    label(this, "Label6", QStringLiteral("X"), Units::point(1800, 3960), 9.75);
    m_heightReadout = label(this, "Label4", QStringLiteral("0"), Units::point(2160, 3960), 12);
    label(this, "Label5", QStringLiteral("Pixels"), Units::point(2880, 3960), 12);

    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Command2"));
    cancel->setGeometry(Units::rect(6120, 3960, 855, 375));
    cancel->setFont(DesignFont::msSansSerif(8.25, true));
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setGeometry(Units::rect(7080, 3960, 855, 375));
    ok->setFont(DesignFont::msSansSerif(9.75, true));
    ok->setAutoDefault(false);
    setFace(ok, OleColor::toQColor(0xC0C0C0));
    connect(ok, &QPushButton::clicked, this, &frmresize::Command1_Click);
    connect(cancel, &QPushButton::clicked, this, &frmresize::Command2_Click);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &frmresize::Command2_Click);

    m_window = workArea.addSubWindow(this);
    m_window->setObjectName(QStringLiteral("frmresizeWindow"));
    m_window->resize(m_window->sizeHint());
    // Closing it with its own box only hides it, as OK and Cancel do.
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);
    Form_Load();
}

void frmresize::Form_Load()
{
    m_drawWidth = 2;
    m_surface = QImage(size(), QImage::Format_RGB32);
    Cls();
    takeSnapshot();
}

void frmresize::takeSnapshot()
{
    m_snapshot = m_banner.Image().copy();
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
    // A snapshot from the first opening would bring back an old picture.
    takeSnapshot();
    m_window->show();
    m_window->raise();
    m_window->mdiArea()->setActiveSubWindow(m_window);
}

void frmresize::Cls()
{
    m_surface.fill(palette().color(QPalette::Window));
    update();
}

void frmresize::drawBox(QPointF corner)
{
    QPainter p(&m_surface);
    p.setPen(QPen(kForeColor, m_drawWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    if (m_drawMode == kXorPen)
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.drawRect(QRectF(QPointF(0, 0), corner).normalized());
    p.end();
    update();
}

void frmresize::Form_MouseDown(int button, float, float)
{
    Cls();
    if (button == FrmBanner::kLeft) {
        m_previousCorner = QPointF(0, 0);
        m_drawMode = kXorPen;
    }
}

void frmresize::Form_MouseMove(int button, float x, float y)
{
    if (button != FrmBanner::kLeft)
        return;
    m_widthReadout->setText(shortNumber(x / float(Units::kTwipsPerPixel)));
    m_widthReadout->adjustSize();
    m_heightReadout->setText(shortNumber(y / float(Units::kTwipsPerPixel)));
    m_heightReadout->adjustSize();
    drawBox(m_previousCorner);
    const QPointF corner(double(Units::toPixels(x)), double(Units::toPixels(y)));
    drawBox(corner);
    m_previousCorner = corner;
}

void frmresize::Form_MouseUp(int, float x, float y)
{
    m_drawMode = kCopyPen;
    drawBox(QPointF(double(Units::toPixels(x)), double(Units::toPixels(y))));
}

float frmresize::readoutToTwips(const QString &readout, const QLocale &locale)
{
    bool ok = false;
    const double value = locale.toDouble(readout.trimmed(), &ok);
    if (!ok)
        throw Failure(QStringLiteral("\"%1\" is no size.").arg(readout));
    QLocale writer = locale;
    writer.setNumberOptions(QLocale::OmitGroupSeparator);
    return float(leadingNumber(writer.toString(value * double(Units::kTwipsPerPixel), 'g', 15)));
}

void frmresize::Command1_Click()
{
    // Text dropped while the dialog stood open belongs in the picture too.
    takeSnapshot();
    try {
        if (m_check1->isChecked()) {
            m_banner.setHeight(900);
            m_banner.setWidth(7020);
            m_banner.PaintPicture(m_snapshot, 0, 0, 7020, 900);
        } else {
            const float height = readoutToTwips(m_heightReadout->text());
            m_banner.setHeight(height);
            const float width = readoutToTwips(m_widthReadout->text());
            m_banner.setWidth(width);
            m_banner.PaintPicture(m_snapshot, 0, 0, readoutToTwips(m_widthReadout->text()),
                                  readoutToTwips(m_heightReadout->text()));
        }
    } catch (const std::exception &) {
        // Any failing step ends OK here, without a message.
    }
    m_window->hide();
    Cls();
}

void frmresize::Command2_Click()
{
    m_window->hide();
}

void frmresize::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.fillRect(event->rect(), palette().color(QPalette::Window));
    p.drawImage(event->rect().topLeft(), m_surface, event->rect());
}

void frmresize::resizeEvent(QResizeEvent *event)
{
    // The drawing persists: a larger window keeps it and shows background around it.
    if (!m_surface.isNull() && (width() > m_surface.width() || height() > m_surface.height())) {
        QImage grown(m_surface.size().expandedTo(size()), QImage::Format_RGB32);
        grown.fill(palette().color(QPalette::Window));
        QPainter(&grown).drawImage(0, 0, m_surface);
        m_surface = grown;
    }
    QWidget::resizeEvent(event);
}

void frmresize::mousePressEvent(QMouseEvent *event)
{
    const QPointF at = event->position();
    Form_MouseDown(FrmBanner::buttonsOf(event->button()), Units::toTwips(float(at.x())), Units::toTwips(float(at.y())));
}

void frmresize::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF at = event->position();
    Form_MouseMove(FrmBanner::buttonsOf(event->buttons()), Units::toTwips(float(at.x())),
                   Units::toTwips(float(at.y())));
}

void frmresize::mouseReleaseEvent(QMouseEvent *event)
{
    const QPointF at = event->position();
    Form_MouseUp(FrmBanner::buttonsOf(event->button()), Units::toTwips(float(at.x())), Units::toTwips(float(at.y())));
}

QSize frmresize::sizeHint() const
{
    return QSize(Units::pixels(7935), Units::pixels(5430));
}
