#include "platform/EngineLibraries.h"

#include <gtest/gtest.h>

// Every function the program calls is found in the library it was built
// against; a misspelt or renamed name would otherwise turn the sound or the
// voice off on every machine, with only a line on the terminal.
TEST(EngineLibrariesTest, EveryLibraryOpensWithEveryFunctionTheProgramCalls)
{
    EXPECT_TRUE(EngineLibraries::sdl()) << EngineLibraries::sdl().missing.toStdString();
    EXPECT_TRUE(EngineLibraries::sndFile()) << EngineLibraries::sndFile().missing.toStdString();
    EXPECT_TRUE(EngineLibraries::fluidSynth()) << EngineLibraries::fluidSynth().missing.toStdString();
    EXPECT_TRUE(EngineLibraries::espeak()) << EngineLibraries::espeak().missing.toStdString();
    EXPECT_TRUE(EngineLibraries::mecab()) << EngineLibraries::mecab().missing.toStdString();

    // The C++ entry points are found by their linker names: one that is
    // found but wrong would crash here rather than in the field.
    const char* error = EngineLibraries::mecab().getLastError();
    EXPECT_NE(error, nullptr);
    char program[] = "mecab";
    char dictionaryOption[] = "-d";
    char noDictionary[] = "/nonexistent/dictionary";
    char* argv[] = {program, dictionaryOption, noDictionary};
    EXPECT_EQ(EngineLibraries::mecab().createModel(3, argv), nullptr) << "a model without a dictionary";
    EXPECT_NE(QString::fromLocal8Bit(EngineLibraries::mecab().getLastError()), QString());
}
