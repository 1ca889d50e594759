#include "controls/ChimeiCtl_A.h"

#include "controls/ChimeiStrip.h"
#include "controls/ChimeiText.h"
#include "controls/GlyphSource.h"
#include "platform/ApiLib.h"
#include "platform/Cp932.h"
#include "platform/VbColor.h"

#include <QElapsedTimer>
#include <QFrame>
#include <QMouseEvent>
#include <QTimer>

#include <cmath>

namespace {

// The scroll advances as if it made 6000 passes a second, each moving the
// strip Speed / 200 pixel: Speed 1 is 30 pixels a second.
constexpr double kPassesPerMs = 6.0;
constexpr int kFrameIntervalMs = 16;

const QByteArray kFullWidthSpace("\x81\x40", 2);

} // namespace

ChimeiCtl_A::ChimeiCtl_A(QWidget* parent)
    : QWidget(parent)
    , Picture2(new QFrame(this))
    , Picture1(nullptr)
    , m_timer(new QTimer(this))
{
    resize(37, 196);
    Picture2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picture2->setLineWidth(2);
    Picture2->setGeometry(0, 0, 37, 196);
    Picture2->setAutoFillBackground(true);
    Picture1 = new ChimeiStrip(Picture2);
    Picture1->setGeometry(Picture2->contentsRect().left(), Picture2->contentsRect().top(), 37, ChimeiText::FrameHeight);
    setBackColor(m_BackColor);

    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    m_now = [clock] { return clock->elapsed(); };
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, [this] { ApiLib::guarded([this] { ScrollTick(); }); });
}

void ChimeiCtl_A::setBackColor(std::int32_t color)
{
    m_BackColor = color;
    QPalette p = Picture2->palette();
    p.setColor(QPalette::Window, VbColor::toQColor(color));
    Picture2->setPalette(p);
    // A new background wipes the strip, as it does any retained picture.
    Picture1->reset(Picture1->height(), VbColor::toQColor(color).rgb());
}

void ChimeiCtl_A::Refresh()
{
    Picture1->update();
}

void ChimeiCtl_A::setAppearance(int appearance)
{
    // Measured in the frame as it is now: the new frame's border moves the
    // origin that the strip's place is counted from.
    const int top = stripTop();
    m_Appearance = appearance;
    Picture2->setFrameStyle(appearance ? QFrame::Panel | QFrame::Sunken : QFrame::NoFrame);
    Picture1->reset(Picture1->height(), VbColor::toQColor(m_BackColor).rgb());
    Picture2->resize(appearance ? QSize(37, 195) : QSize(35, 185));
    moveStripTo(top);
}

void ChimeiCtl_A::DrawDot16(int x, int y, QString& strText)
{
    if (strText.isEmpty())
        return;
    const QByteArray given = Cp932::encodeForDisplay(strText, {});
    QByteArray printed = given;
    drawCell(x, y, printed);
    if (printed != given)
        strText = Cp932::decodeForDisplay(printed);
}

// The cell's bytes are the name's own: the name is encoded once, in
// SetChimei, and no cell decodes them again.
void ChimeiCtl_A::drawCell(int x, int y, QByteArray& cp932)
{
    const ChimeiText::PrintRule rule = ChimeiText::classify(cp932, m_FontMode);
    // A pair that code page 932 does not assign is no character: the cell's
    // face goes by what follows its first byte.
    std::int16_t code = ChimeiText::firstCode(cp932);
    if (code < 0 && !GlyphSource::instance().isCharacter(static_cast<std::uint16_t>(code)))
        code = ChimeiText::firstCode(cp932.mid(1));
    const GlyphFace face = ChimeiText::faceFor(m_FontMode, code);
    const GlyphCell cell = GlyphSource::instance().print(cp932, face, m_FontBold, rule.offset);
    ChimeiText::placeDots(Picture1->picture(), x, y, cell, rule.turned, VbColor::toQColor(m_ForeColor).rgb());
}

// The order of the steps matters: a running scroll is ended only once the new
// name is drawn, and an empty name leaves it running. A name given while
// this call lets events run is the newer one: this call then leaves the
// column to it, so the last name given is the one that stands (and scrolls).
void ChimeiCtl_A::SetChimei(const QString& strText)
{
    const quint64 call = ++m_namesGiven;
    ApiLib::DoEvents();
    if (call != m_namesGiven)
        return;
    setBackColor(m_BackColor);
    if (strText.isEmpty())
        return;

    strChimei = strText;
    moveStripTo(0);
    const QByteArray bytes = Cp932::encodeForDisplay(strText, kFullWidthSpace);
    const int n = ApiLib::LenB_ASCII(bytes);
    const int d = n / 2;
    const ChimeiText::Layout layout = ChimeiText::layoutFor(d, m_Mode);
    Picture1->reset(layout.height, VbColor::toQColor(m_BackColor).rgb());
    for (int i = 1; i <= n; ++i) {
        QByteArray piece = ApiLib::MidB_ASCII(bytes, 2 * i - 1, 2);
        if (!piece.isEmpty())
            drawCell(2, layout.top + (i - 1) * layout.pitch, piece);
    }
    Picture1->update();
    ApiLib::DoEvents();
    if (call != m_namesGiven)
        return;

    bStopScroll = true;
    endScroll();
    if (d > 6) {
        bStopScroll = false;
        ScrollChimei();
    }
}

const QImage& ChimeiCtl_A::strip() const
{
    return Picture1->picture();
}

int ChimeiCtl_A::stripTop() const
{
    return Picture1->y() - Picture2->contentsRect().top();
}

int ChimeiCtl_A::frameHeight() const
{
    return Picture2->height();
}

void ChimeiCtl_A::setClock(std::function<qint64()> nowMs)
{
    m_now = std::move(nowMs);
}

void ChimeiCtl_A::ScrollChimei()
{
    Refresh();
    m_state = State::Waiting;
    m_firstMove = true;
    m_waitUntil = static_cast<double>(m_now()) + m_ScrollStartWait;
    scheduleTick(m_now());
}

void ChimeiCtl_A::ScrollTick()
{
    if (m_state == State::Idle)
        return;
    if (bStopScroll) {
        endScroll();
        return;
    }
    const double now = static_cast<double>(m_now());
    // Several waits and wraps may fall between two ticks; play them in order.
    for (;;) {
        if (m_state == State::Waiting) {
            if (now < m_waitUntil)
                break;
            if (m_firstMove && m_Speed == 0)
                m_Speed = 1;
            m_firstMove = false;
            m_state = State::Moving;
            m_y = 0;
            m_lastTick = m_waitUntil;
        }
        const double pixelsPerMs = kPassesPerMs * m_Speed / 200.0;
        const double target = m_y - (now - m_lastTick) * pixelsPerMs;
        // The strip wraps once its lower edge is a frame height above the frame.
        const double wrapAt = -static_cast<double>(Picture1->height() + frameHeight());
        if (pixelsPerMs > 0 && target <= wrapAt) {
            const double wrappedAt = m_lastTick + (m_y - wrapAt) / pixelsPerMs;
            moveStripTo(0);
            m_y = 0;
            m_state = State::Waiting;
            m_waitUntil = wrappedAt + m_ScrollStartWait;
            continue;
        }
        m_y = target;
        m_lastTick = now;
        moveStripTo(static_cast<int>(m_y));
        break;
    }
    scheduleTick(static_cast<qint64>(now));
}

void ChimeiCtl_A::endScroll()
{
    m_state = State::Idle;
    m_timer->stop();
    moveStripTo(0);
}

void ChimeiCtl_A::moveStripTo(int top)
{
    // Moving the child repaints only when the strip really moved a pixel.
    const QPoint origin = Picture2->contentsRect().topLeft();
    if (Picture1->pos() != origin + QPoint(0, top))
        Picture1->move(origin + QPoint(0, top));
}

void ChimeiCtl_A::scheduleTick(qint64 now)
{
    switch (m_state) {
    case State::Idle:
        m_timer->stop();
        break;
    case State::Waiting:
        m_timer->start(static_cast<int>(std::max<double>(1, std::ceil(m_waitUntil - static_cast<double>(now)))));
        break;
    case State::Moving:
        m_timer->start(kFrameIntervalMs);
        break;
    }
}

void ChimeiCtl_A::mousePressEvent(QMouseEvent* event)
{
    // The column is a control of its own: presses on it never drag the board.
    event->accept();
}
