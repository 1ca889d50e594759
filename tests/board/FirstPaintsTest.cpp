#include "board/FirstPaints.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A top-level window small enough for any screen.
std::unique_ptr<QWidget> window()
{
    auto w = std::make_unique<QWidget>();
    w->resize(60, 40);
    return w;
}

bool paintedOnce(QWidget& w)
{
    w.show();
    return QTest::qWaitForWindowExposed(&w);
}

} // namespace

TEST(FirstPaintsTest, ActsOnceWhenEveryWindowHasPainted)
{
    auto board = window();
    auto panel = window();
    int runs = 0;
    const FirstPaints watch({board.get(), panel.get()}, [&runs] { ++runs; });

    ASSERT_TRUE(paintedOnce(*board));
    QTest::qWait(20);
    EXPECT_EQ(runs, 0) << "acted before the second window painted";
    EXPECT_FALSE(watch.done());

    ASSERT_TRUE(paintedOnce(*panel));
    EXPECT_TRUE(QTest::qWaitFor([&] { return runs > 0; }, 5000));

    // Later paints, and the longest wait running out, do not act again.
    board->update();
    panel->update();
    QTest::qWait(20);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(watch.done());
}

TEST(FirstPaintsTest, AWindowThatNeverPaintsIsWaitedForOnlySoLong)
{
    auto board = window();
    auto hidden = window();
    int runs = 0;
    const FirstPaints watch({board.get(), hidden.get()}, [&runs] { ++runs; }, 100);
    ASSERT_TRUE(paintedOnce(*board));
    EXPECT_TRUE(QTest::qWaitFor([&] { return runs > 0; }, 5000));
    EXPECT_EQ(runs, 1);
}

TEST(FirstPaintsTest, AWindowGoneUnpaintedOrMissingIsNotWaitedFor)
{
    int runs = 0;
    {
        auto board = window();
        auto panel = window();
        const FirstPaints watch({board.get(), panel.get(), nullptr}, [&runs] { ++runs; });
        ASSERT_TRUE(paintedOnce(*board));
        QTest::qWait(20);
        EXPECT_EQ(runs, 0);
        panel.reset();
        EXPECT_TRUE(QTest::qWaitFor([&] { return runs > 0; }, 5000));
        board.reset(); // the watch outlives the windows it watched
    }
    EXPECT_EQ(runs, 1);

    const FirstPaints none({nullptr}, [&runs] { ++runs; });
    EXPECT_EQ(runs, 2) << "with nothing to wait for it acts at once";
}
