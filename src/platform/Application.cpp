#include "platform/Application.h"

#include "platform/ApiLib.h"
#include "platform/FontSubst.h"

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
    FontSubst::install();
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    // A failure that a handler did not trap is shown and the run goes on; as
    // designed, the program would end and lose the run's settings.
    bool handled = false;
    ApiLib::guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
