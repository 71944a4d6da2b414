#include "Rig.h"

#include "app/Parent.h"
#include "banner/FrmBanner.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QToolBar>

Rig::Rig(bool ownEnd)
    : m_app(std::make_unique<ModStart>(
        Platform{dialogs, mover, clipboard, imageCopy, gifs, registry, launcher, files, pictures}))
{
    if (!ownEnd)
        m_app->setEndAction([] {});
    m_app->Main();
}

Rig::~Rig() = default;

Parent &Rig::parent()
{
    return m_app->parentWindow();
}

FrmBanner &Rig::banner()
{
    return m_app->banner();
}

QString Rig::finish(std::unique_ptr<Rig> &rig)
{
    const QStringList errors = rig ? rig->dialogs.errors() : QStringList();
    rig.reset();
    return errors.join(QLatin1Char('\n'));
}

QAction *Rig::action(const QString &name)
{
    auto *a = parent().findChild<QAction *>(name);
    if (!a)
        qWarning("no action %s", qPrintable(name));
    return a;
}

void Rig::trigger(const QString &name)
{
    if (QAction *a = action(name))
        a->trigger();
}

void Rig::toolbar(const QString &key)
{
    const QList<QAction *> actions = parent().Toolbar1()->actions();
    for (QAction *a : actions) {
        if (a->data().toString() == key) {
            a->trigger();
            return;
        }
    }
    qWarning("no toolbar button %s", qPrintable(key));
}

namespace {

// QTest takes the null point for "the widget's centre"; the top-left corner
// goes to the widget directly.
void sendAtOrigin(QWidget *target, QEvent::Type type, Qt::MouseButton button)
{
    Qt::MouseButtons buttons = QGuiApplication::mouseButtons();
    if (type == QEvent::MouseButtonPress)
        buttons |= button;
    else if (type == QEvent::MouseButtonRelease)
        buttons &= ~Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(0, 0), target->mapToGlobal(QPointF(0, 0)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

// Through Qt's own routing, so implicit grabs and button state are real.
void Rig::press(QPoint at, Qt::MouseButton button)
{
    if (at.isNull())
        sendAtOrigin(&banner(), QEvent::MouseButtonPress, button);
    else
        QTest::mousePress(&banner(), button, Qt::NoModifier, at);
}

void Rig::move(QPoint at)
{
    if (at.isNull())
        sendAtOrigin(&banner(), QEvent::MouseMove, Qt::NoButton);
    else
        QTest::mouseMove(&banner(), at);
}

void Rig::release(QPoint at, Qt::MouseButton button)
{
    if (at.isNull())
        sendAtOrigin(&banner(), QEvent::MouseButtonRelease, button);
    else
        QTest::mouseRelease(&banner(), button, Qt::NoModifier, at);
}

void Rig::drop(QPoint from, QPoint to)
{
    press(from);
    move((from + to) / 2);
    move(to);
    release(to);
}

QString Rig::readoutX()
{
    return parent()
        .findChild<QWidget *>(QStringLiteral("Frame1"))
        ->findChild<QLabel *>(QStringLiteral("Label3"))
        ->text();
}

QString Rig::readoutY()
{
    return parent()
        .findChild<QWidget *>(QStringLiteral("Frame1"))
        ->findChild<QLabel *>(QStringLiteral("Label4"))
        ->text();
}
