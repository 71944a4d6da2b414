#pragma once

#include <QImage>
#include <QWidget>

// A borderless panel of five fixed lines, printed once at load; a click hides it.
class frmHelp final : public QWidget
{
    Q_OBJECT
public:
    frmHelp();

    void Show();
    static QString helpText();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void Form_Load();
    void Form_Click();

    QImage m_picture;
    bool m_pressed = false;
};
