#pragma once

#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

class QMdiArea;

// The banner size dialog: a child window of the work area. OK and Cancel
// only hide it.
class frmresize final : public QWidget
{
    Q_OBJECT
public:
    explicit frmresize(QMdiArea &workArea);

    float Left() const;
    void setLeft(float twips);
    float Top() const;
    void setTop(float twips);
    void Show();
    QMdiSubWindow *window() const { return m_window; }

private:
    void Form_Load();

    QPointer<QMdiSubWindow> m_window;
};
