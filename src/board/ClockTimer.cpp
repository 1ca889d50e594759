#include "board/ClockTimer.h"

#include <QEvent>

#include <algorithm>

ClockTimer::ClockTimer(QObject* parent)
    : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &ClockTimer::timeout);
}

void ClockTimer::setInterval(int ms)
{
    m_timer.setInterval(ms);
}

void ClockTimer::start()
{
    m_enabled = true;
    follow();
}

void ClockTimer::stop()
{
    m_enabled = false;
    m_timer.stop();
}

void ClockTimer::drive(QWidget* cell)
{
    m_cells.emplace_back(cell);
    cell->installEventFilter(this);
    follow();
}

bool ClockTimer::anyCellVisible() const
{
    return std::any_of(m_cells.begin(), m_cells.end(), [](const QPointer<QWidget>& c) { return c && c->isVisible(); });
}

bool ClockTimer::eventFilter(QObject* watched, QEvent* event)
{
    // Show and Hide also come when the board itself is shown or hidden.
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
        follow();
    return QObject::eventFilter(watched, event);
}

void ClockTimer::follow()
{
    if (!m_enabled || !anyCellVisible()) {
        m_timer.stop();
        return;
    }
    if (m_timer.isActive())
        return;
    m_timer.start();
    emit timeout();
}
