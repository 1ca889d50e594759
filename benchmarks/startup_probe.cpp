// The simulator's start-up as its main() does it, watched: prints "shown
// <width> <height> <ms>" once both the board and the operation panel have
// painted for the first time, and "board <ms>" when the board has, then
// "ready <ms>" once the sound device and the speech engine are loaded (each
// with the milliseconds since the probe began), then quits.

#include "board/Form1.h"
#include "panel/frmCtl.h"
#include "platform/Application.h"
#include "platform/CommandLine.h"
#include "platform/DataPaths.h"
#include "platform/CommandLine.h"
#include "platform/DataPaths.h"
#include "sound/AudioOutput.h"
#include "speech/EspeakSpeech.h"
#include "speech/mdlM_Tape.h"

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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType()) {
            if (auto* board = qobject_cast<Form1*>(watched))
                paintedBoard(board);
            else if (qobject_cast<frmCtl*>(watched))
                paintedPanel();
        }
        return false;
    }

private:
    void paintedBoard(Form1* board)
    {
        if (!m_board) {
            
            std::printf("board %lld\n", static_cast<long long>(m_clock.elapsed()));
            std::fflush(stdout);
        }
        m_board = board;
        shownWhenBoth();
    }

    void paintedPanel()
    {
        m_panel = true;
        shownWhenBoth();
    }

    void shownWhenBoth()
    {
        if (!m_board || !m_panel || m_said)
            return;
        m_said = true;
        
        std::printf("shown %d %d %lld\n", m_board->width(), m_board->height(), static_cast<long long>(m_clock.elapsed()));
        std::fflush(stdout);
        // The engines load on their own threads once the windows are up;
        // this waits for them only after that.
        QTimer::singleShot(0, [this] {
            AudioOutput::instance().available();
            if (auto* speech = dynamic_cast<EspeakSpeech*>(mdlM_Tape::objSpeech.get()))
                speech->waitLoaded();
            std::printf("ready %lld\n", static_cast<long long>(m_clock.elapsed()));
            std::fflush(stdout);
            // Not quit(): that would close the windows, and the panel asks
            // before it closes.
            QCoreApplication::exit(0);
        });
    }

    QElapsedTimer& m_clock;
    Form1* m_board = nullptr;
    bool m_panel = false;
    bool m_said = false;
};

} // namespace

int main(int argc, char** argv)
{
    QElapsedTimer clock;
    clock.start();
    Application app(argc, argv);
    CommandLine::parse(app);
    FirstPaint watch(clock);
    app.installEventFilter(&watch);
    return Form1::runProgram({}, [] {
        for (const QString& note : DataPaths::missingNotes())
            std::fprintf(stderr, "startup_probe: %s\n", qPrintable(note));
    });
}
