#pragma once

#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

class QMdiArea;

// The graphic viewer: a child window of the work area. Its close box
// destroys it; the next reference creates it anew.
class FrmView final : public QWidget
{
    Q_OBJECT
public:
    explicit FrmView(QMdiArea &workArea);

    void Show();
    QMdiSubWindow *window() const { return m_window; }
    QSize sizeHint() const override;

private:
    void Form_Load();

    QPointer<QMdiSubWindow> m_window;
};
