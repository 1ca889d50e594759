// The simulator's start-up as its main() does it, watched: prints "shown
// <width> <height>" once both the board and the operation panel have painted
// for the first time, then "ready" once the sound device and the speech
// engine are loaded (each line with the milliseconds since the probe began),
// then quits.

#include "board/Form1.h"
#include "panel/frmCtl.h"
#include "platform/Application.h"
#include "sound/AudioOutput.h"
#include "sound/EspeakSpeech.h"
#include "sound/mdlM_Tape.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>

#include <cstdio>

namespace {

class FirstPaint : public QObject
{
public:
    explicit FirstPaint(QElapsedTimer& clock)
        : m_clock(clock)
    {
    }
    QWidget* board = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            if (widget == board || widget == board->findChild<frmCtl*>() || widget->inherits("frmCtl"))
                painted(widget);
        }
        return false;
    }

private:
    void painted(QWidget* widget)
    {
        if (widget == board)
            m_board = true;
        else
            m_panel = true;
        if (m_board && m_panel && !m_said) {
            m_said = true;
            std::printf("shown %d %d %lld\n", board->width(), board->height(), static_cast<long long>(m_clock.elapsed()));
            std::fflush(stdout);
            // The engines load on their own threads: this waits for them
            // only after the windows are up.
            QTimer::singleShot(0, [this] {
                AudioOutput::instance().available();
                if (auto* speech = dynamic_cast<EspeakSpeech*>(mdlM_Tape::objSpeech.get()))
                    speech->waitLoaded();
                std::printf("ready %lld\n", static_cast<long long>(m_clock.elapsed()));
                std::fflush(stdout);
                qApp->quit();
            });
        }
    }

    QElapsedTimer& m_clock;
    bool m_board = false;
    bool m_panel = false;
    bool m_said = false;
};

} // namespace

int main(int argc, char** argv)
{
    QElapsedTimer clock;
    clock.start();
    Application app(argc, argv);
    FirstPaint watch(clock);
    app.installEventFilter(&watch);
    Form1 board;
    watch.board = &board;
    board.show();
    return app.exec();
}
