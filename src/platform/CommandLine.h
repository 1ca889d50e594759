#pragma once

#include <QString>

class QCoreApplication;

// The program's command line: --help, --version and --screenshot FILE.
namespace CommandLine {

struct Request
{
    QString screenshot; // empty: an ordinary run
};

// Answers --help and --version, if asked, and ends the process: both are
// printed before the window system is touched, so they work without a
// display.
void answerTextOptions(int& argc, char** argv);

// Reads what the application object left of the arguments; a wrong command
// line ends the process with a message and status 2.
Request parse(const QCoreApplication& app);

// Once the windows are up and painted, saves a picture of the screen with
// them on it to file and ends the run with status 0, or 1 when the picture
// could not be saved. The run ends without the exit question and without
// saving the settings.
void screenshotLater(const QString& file);

} // namespace CommandLine
