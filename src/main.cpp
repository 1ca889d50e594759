#include "board/Form1.h"
#include "platform/Application.h"
#include "platform/CommandLine.h"
#include "platform/DataPaths.h"

#include <cstdio>

int main(int argc, char** argv)
{
    CommandLine::answerTextOptions(argc, argv);
    Application app(argc, argv);
    const CommandLine::Request request = CommandLine::parse(app);
    return Form1::runProgram(
        [&request] {
            if (!request.screenshot.isEmpty())
                CommandLine::screenshotLater(request.screenshot);
        },
        [] {
            // Once the windows are up: finding FluidSynth's default soundfont
            // opens FluidSynth, which the start-up does not wait for.
            for (const QString& note : DataPaths::missingNotes())
                std::fprintf(stderr, "517: %s\n", qPrintable(note));
        });
}
