#pragma once

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// SDL's disk driver writes exactly what was mixed into a file, at the pace a
// sound card would take it. It must be chosen before anything opens the
// output, which lives once per process: a test program registers this
// environment once.
class DiskAudio : public ::testing::Environment
{
public:
    // whenOpen runs once the output is open, before the first test.
    explicit DiskAudio(std::function<void()> whenOpen = {});
    void SetUp() override;

    // The file the driver writes.
    static QString file();

private:
    std::function<void()> m_whenOpen;
    std::unique_ptr<QTemporaryDir> m_dir;
};
