#pragma once

#include <QObject>
#include <QTimer>

class QLabel;

// Keeps a time panel and a date panel current, on the second.
class StatusBarClock final : public QObject
{
    Q_OBJECT
public:
    StatusBarClock(QLabel *timePanel, QLabel *datePanel, QObject *parent = nullptr);

private:
    void tick();

    QLabel *m_time;
    QLabel *m_date;
    QTimer m_timer;
};
