#include "platform/qt/QtWindowMover.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

namespace {

class MoveTracker final : public QObject
{
public:
    MoveTracker(QWidget *window, QEventLoop &loop)
        : m_window(window)
        , m_loop(loop)
        , m_startWindow(window->pos())
        , m_startPointer(QCursor::pos())
    { }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_window) {
            m_loop.quit();
            return false;
        }
        // Window-level events go on to Qt so its own grab bookkeeping stays right;
        // the widget-level ones are the move's.
        const bool widgetLevel = watched->isWidgetType();
        switch (event->type()) {
        case QEvent::MouseMove:
            if (!widgetLevel)
                return false;
            follow(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: return widgetLevel;
        case QEvent::MouseButtonRelease:
            if (!widgetLevel)
                return false;
            if (static_cast<QMouseEvent *>(event)->buttons() == Qt::NoButton)
                m_loop.quit();
            return true;
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
                m_window->move(m_startWindow);
                m_loop.quit();
                return true;
            }
            return false;
        case QEvent::ApplicationDeactivate: m_loop.quit(); return false;
        default: return false;
        }
    }

private:
    void follow(QPoint pointer)
    {
        if (QWidget *area = m_window->parentWidget()) {
            const QRect bounds(area->mapToGlobal(QPoint(0, 0)), area->size());
            pointer.setX(qBound(bounds.left(), pointer.x(), bounds.right()));
            pointer.setY(qBound(bounds.top(), pointer.y(), bounds.bottom()));
        }
        m_window->move(m_startWindow + (pointer - m_startPointer));
    }

    QPointer<QWidget> m_window;
    QEventLoop &m_loop;
    QPoint m_startWindow;
    QPoint m_startPointer;
};

} // namespace

void QtWindowMover::moveWindow(QWidget *window)
{
    // A press already released (or synthesized without a button) has nothing to drag.
    if (!window || QGuiApplication::mouseButtons() == Qt::NoButton)
        return;
    QEventLoop loop;
    MoveTracker tracker(window, loop);
    qApp->installEventFilter(&tracker);
    loop.exec();
    qApp->removeEventFilter(&tracker);
}
