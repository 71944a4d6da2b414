#pragma once

#include <QImage>
#include <QLocale>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

class FrmBanner;
class QCheckBox;
class QLabel;
class QMdiArea;
class QPushButton;

// The banner size dialog: a child window of the work area on whose surface
// the user drags out the new size from the top-left corner, or ticks the
// standard size. OK and Cancel only hide it.
class frmresize final : public QWidget
{
    Q_OBJECT
public:
    frmresize(QMdiArea &workArea, FrmBanner &banner);

    float Left() const;
    void setLeft(float twips);
    float Top() const;
    void setTop(float twips);
    // Shows the dialog with a fresh snapshot of the banner.
    void Show();
    QMdiSubWindow *window() const { return m_window; }
    QSize sizeHint() const override;

    enum DrawMode { kXorPen = 7, kCopyPen = 13 };
    int drawMode() const { return m_drawMode; }
    const QImage &surface() const { return m_surface; }
    const QImage &snapshot() const { return m_snapshot; }

    // Handlers; coordinates in twips on the surface.
    void Form_MouseDown(int button, float x, float y);
    void Form_MouseMove(int button, float x, float y);
    void Form_MouseUp(int button, float x, float y);
    void Command1_Click();
    void Command2_Click();

    // A readout as the banner size it stands for, in twips: read in the
    // locale's form, times 15, written out and read back with a full stop as
    // the only decimal separator. Throws Failure on a readout that is no number.
    static float readoutToTwips(const QString &readout, const QLocale &locale = QLocale());

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void Form_Load();
    void takeSnapshot();
    void Cls();
    void drawBox(QPointF corner);

    FrmBanner &m_banner;
    QPointer<QMdiSubWindow> m_window;
    QImage m_surface;
    QImage m_snapshot;
    QPointF m_previousCorner;
    int m_drawMode = kCopyPen;
    int m_drawWidth = 1;
    QCheckBox *m_check1 = nullptr;
    QLabel *m_widthReadout = nullptr;
    QLabel *m_heightReadout = nullptr;
};
