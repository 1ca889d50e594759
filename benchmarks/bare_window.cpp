// The yardstick for the simulator's start-up: a bare Qt window of the size
// given, shown as the simulator shows its board. Prints "shown" once the
// window has painted for the first time, then quits.
//
//   bare_window <width> <height>

#include <QApplication>
#include <QPaintEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace {

class Window : public QWidget
{
protected:
    void paintEvent(QPaintEvent*) override
    {
        if (m_shown)
            return;
        m_shown = true;
        std::printf("shown\n");
        std::fflush(stdout);
        QTimer::singleShot(0, qApp, &QApplication::quit);
    }

private:
    bool m_shown = false;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Window window;
    window.resize(argc > 2 ? std::atoi(argv[1]) : 640, argc > 2 ? std::atoi(argv[2]) : 480);
    window.show();
    return app.exec();
}
