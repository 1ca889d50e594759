#include "board/FirstPaints.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

FirstPaints::FirstPaints(std::initializer_list<QWidget*> windows, std::function<void()> action, int longestWaitMs)
    : m_action(std::move(action))
{
    for (QWidget* window : windows) {
        if (!window)
            continue;
        m_waiting.insert(window);
        window->installEventFilter(this);
        // A window that goes away unpainted is waited for no longer.
        connect(window, &QObject::destroyed, this, [this](QObject* gone) {
            if (m_waiting.remove(gone) && m_waiting.isEmpty())
                finish();
        });
    }
    if (m_waiting.isEmpty()) {
        finish();
        return;
    }
    QTimer::singleShot(longestWaitMs, this, [this] { finish(); });
}

bool FirstPaints::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint && m_waiting.remove(watched)) {
        watched->removeEventFilter(this);
        // Posted, so that the paint in hand reaches the screen first.
        if (m_waiting.isEmpty())
            QTimer::singleShot(0, this, [this] { finish(); });
    }
    return false;
}

void FirstPaints::finish()
{
    for (QObject* window : std::as_const(m_waiting))
        window->removeEventFilter(this);
    m_waiting.clear();
    if (!m_action)
        return;
    const std::function<void()> action = std::move(m_action);
    m_action = nullptr;
    action();
}
