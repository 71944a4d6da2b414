#include "platform/qt/StatusBarClock.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>

StatusBarClock::StatusBarClock(QLabel *timePanel, QLabel *datePanel, QObject *parent)
    : QObject(parent)
    , m_time(timePanel)
    , m_date(datePanel)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &StatusBarClock::tick);
    tick();
}

void StatusBarClock::tick()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    m_time->setText(locale.toString(now.time(), QLocale::ShortFormat));
    m_date->setText(locale.toString(now.date(), QLocale::ShortFormat));
    // Wake at the next full second rather than drifting with a fixed period.
    m_timer.start(1000 - now.time().msec());
}
