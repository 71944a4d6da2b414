#pragma once

#include "banner/BannerPicture.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

struct AppState;
class BannerHost;
class CommonDialog;
class QLabel;
class QMdiArea;
class WindowMover;

// The banner: a borderless child window of the work area whose client area is
// the banner picture. It owns text placement, the window move and the pending
// background colour. Coordinates are twips.
class FrmBanner final : public QWidget
{
    Q_OBJECT
public:
    FrmBanner(QMdiArea &workArea, AppState &state, CommonDialog &dialog, WindowMover &mover, BannerHost &host);

    // Mouse buttons as the handlers see them.
    enum Button { kLeft = 1, kRight = 2, kMiddle = 4 };

    float Left() const { return m_left; }
    void setLeft(float twips);
    float Top() const { return m_top; }
    void setTop(float twips);
    // No border: outer size and client size are the same.
    float Width() const;
    float Height() const;
    void setWidth(float twips);
    void setHeight(float twips);
    float ScaleWidth() const { return Width(); }
    float ScaleHeight() const { return Height(); }

    OleColor::Value BackColor() const { return m_picture.BackColor(); }
    void setBackColor(OleColor::Value color);
    const QImage &Picture() const { return m_picture.Picture(); }
    void setPicture(const QImage &picture);
    const QImage &Image() const { return m_picture.Image(); }
    OleColor::Value ForeColor() const { return m_picture.ForeColor(); }
    void setForeColor(OleColor::Value color) { m_picture.setForeColor(color); }
    QFont bannerFont() const { return m_picture.font(); }
    void setBannerFont(const QFont &font) { m_picture.setFont(font); }

    // Draws a picture stretched into the target rectangle (twips).
    void PaintPicture(const QImage &picture, float x, float y, float width, float height);

    int MousePointer() const { return m_mousePointer; }
    void setMousePointer(int pointer);

    // The drag label: caption, colour and font as the commands set them.
    QLabel *Label1() const { return m_label; }
    QString labelCaption() const;
    void setLabelCaption(const QString &caption);
    OleColor::Value labelForeColor() const { return m_labelForeColor; }
    void setLabelForeColor(OleColor::Value color);
    QFont labelFont() const;
    void setLabelFont(const QFont &font);
    QMdiSubWindow *window() const { return m_window; }

    // Largest side the banner may take, in pixels; bounds the picture's memory.
    static constexpr int kMaxSide = 4096;

    // The handlers, also driven directly by tests and benchmarks.
    void Form_Load();
    void Form_MouseDown(int button, float x, float y);
    void Form_MouseMove(int button, float x, float y);
    void Form_MouseUp(int button, float x, float y);

    static int buttonsOf(Qt::MouseButtons buttons);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void placeLabel(float x, float y);
    void applySize(QSize pixels);
    // A side in pixels, or Failure when the window system would refuse it.
    static int checkedSide(float twips, const char *what);

    AppState &m_state;
    CommonDialog &m_dialog;
    WindowMover &m_mover;
    BannerHost &m_host;
    QPointer<QMdiSubWindow> m_window;
    QLabel *m_label = nullptr;
    BannerPicture m_picture;
    float m_left = 0;
    float m_top = 0;
    int m_mousePointer = 0;
    OleColor::Value m_labelForeColor = 0;
};
