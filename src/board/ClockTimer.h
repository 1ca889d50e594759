#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <vector>

// The board clock's timer (Form1's Timer1). It keeps the state a timer has
// (enabled or not, its interval, start and stop), but only wakes the program
// while one of the clock cells it drives can be seen: an enabled clock whose
// cells are hidden, as on the built-in face, costs nothing. A cell that
// comes into view with the clock enabled gets a tick at once, so it never
// shows a stale time.
class ClockTimer : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ClockTimer)

public:
    explicit ClockTimer(QObject* parent = nullptr);

    void setInterval(int ms);
    int interval() const { return m_timer.interval(); }
    // Enables and disables the clock; isActive() says which it is.
    void start();
    void stop();
    bool isActive() const { return m_enabled; }

    // A cell the clock shows the time in: the timer wakes only while one of
    // them is visible.
    void drive(QWidget* cell);
    // True while the timer really wakes the program.
    bool isTicking() const { return m_timer.isActive(); }

signals:
    void timeout();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow();
    bool anyCellVisible() const;

    QTimer m_timer;
    bool m_enabled = false;
    std::vector<QPointer<QWidget>> m_cells;
};
