#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

class ChimeiStrip;
class QFrame;
class QTimer;

// The stop-name column: the next stop's name as 16 x 16 LED dot characters
// standing one below the other; names longer than six characters scroll
// upwards in an endless loop.
class ChimeiCtl_A : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(ChimeiCtl_A)

public:
    explicit ChimeiCtl_A(QWidget* parent = nullptr);

    std::int32_t BackColor() const { return m_BackColor; }
    void setBackColor(std::int32_t color);
    std::int32_t ForeColor() const { return m_ForeColor; }
    void setForeColor(std::int32_t color) { m_ForeColor = color; }
    void Refresh();
    int Speed() const { return m_Speed; }
    void setSpeed(int speed) { m_Speed = speed; }
    std::int32_t ScrollStartWait() const { return m_ScrollStartWait; }
    void setScrollStartWait(std::int32_t ms) { m_ScrollStartWait = ms; }
    // Draws one character cell with its top-left dot at (x, y) of the strip;
    // "ー" in strText becomes "丨".
    void DrawDot16(int x, int y, QString& strText);
    // Shows a stop name; an empty text clears the column.
    void SetChimei(const QString& strText);
    // How many names SetChimei has been given: a caller that lets events
    // run can tell from it whether a newer name came in meanwhile.
    quint64 namesGiven() const { return m_namesGiven; }
    int Mode() const { return m_Mode; }
    void setMode(int mode) { m_Mode = mode; }
    int Appearance() const { return m_Appearance; }
    void setAppearance(int appearance);
    int FontMode() const { return m_FontMode; }
    void setFontMode(int fontMode) { m_FontMode = fontMode; }
    bool FontBold() const { return m_FontBold; }
    void setFontBold(bool bold) { m_FontBold = bold; }

    // Set to end a running scroll.
    bool bStopScroll = false;
    QString strChimei;

    // The strip (Picture1) and its place in the frame (Picture2).
    const QImage& strip() const;
    int stripTop() const;
    int frameHeight() const;
    bool isScrolling() const { return m_state != State::Idle; }

    // Where the scroll reads the time, in milliseconds (tests set a clock of
    // their own), and one step of the scroll at that time.
    void setClock(std::function<qint64()> nowMs);
    void ScrollTick();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    enum class State { Idle, Waiting, Moving };

    void drawCell(int x, int y, QByteArray& cp932);
    void ScrollChimei();
    void endScroll();
    void waitThenMove(qint64 now);
    void moveStripTo(int top);
    void scheduleTick(qint64 now);

    std::int32_t m_BackColor = 0x808080;
    std::int32_t m_ForeColor = 0x00BEFF;
    int m_Speed = 5;
    std::int32_t m_ScrollStartWait = 1500;
    int m_Mode = 0;
    int m_Appearance = 1;
    int m_FontMode = 0;
    bool m_FontBold = false;

    QFrame* Picture2 = nullptr;
    ChimeiStrip* Picture1 = nullptr;

    // Counts SetChimei calls, so that a call (or its caller) can tell that a
    // newer one came in while it let events run.
    quint64 m_namesGiven = 0;
    State m_state = State::Idle;
    bool m_firstMove = false;
    double m_y = 0;
    double m_waitUntil = 0;
    double m_lastTick = 0;
    QTimer* m_timer = nullptr;
    std::function<qint64()> m_now;
};
