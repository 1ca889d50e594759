#include "platform/Application.h"
#include "settings/mdlIniIo_517.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    // Test binaries are also run to list their tests, where no display exists.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // No test may depend on, or make noise through, a real sound card.
    if (!std::getenv("SDL_AUDIODRIVER"))
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    // No test reads or replaces the settings file of a real run; the tests of
    // the file give their own path.
    mdlIniIo_517::setSettingsPath(QString());
    ::testing::InitGoogleTest(&argc, argv);
    Application app(argc, argv);
    return RUN_ALL_TESTS();
}
