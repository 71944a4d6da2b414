#pragma once

#include "platform/OleColor.h"

#include <QFrame>
#include <QImage>

// A plain box that shows its BackColor and reports clicks and double clicks.
// A double click arrives as press, release, double click, release: the second
// release is not another click.
class PictureBox final : public QFrame
{
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr, bool bordered = true);

    OleColor::Value BackColor() const { return m_backColor; }
    void setBackColor(OleColor::Value color);
    // The box's picture; kept, not drawn, by the hidden boxes that use it.
    const QImage &Picture() const { return m_picture; }
    void setPicture(const QImage &picture) { m_picture = picture; }

Q_SIGNALS:
    void clicked();
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    OleColor::Value m_backColor = OleColor::rgb(0xC0, 0xC0, 0xC0);
    QImage m_picture;
    bool m_pressed = false;
    bool m_afterDoubleClick = false;
};
