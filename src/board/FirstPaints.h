#pragma once

#include <QObject>
#include <QSet>

#include <functional>
#include <initializer_list>

class QWidget;

// Runs an action once every watched window has painted for the first time,
// or after a while if one never does (a window that is never exposed paints
// nothing), whichever comes first; then never again.
class FirstPaints : public QObject
{
public:
    static constexpr int LongestWaitMs = 2000;

    FirstPaints(std::initializer_list<QWidget*> windows, std::function<void()> action, int longestWaitMs = LongestWaitMs);

    bool done() const { return !m_action; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void finish();

    QSet<QObject*> m_waiting;
    std::function<void()> m_action;
};
