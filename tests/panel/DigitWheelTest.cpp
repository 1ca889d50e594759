#include "panel/DigitWheel.h"

#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

TEST(DigitWheel, TurnsByClickWheelAndKeysWithinItsDigits)
{
    DigitWheel wheel;
    wheel.resize(31, 21);
    wheel.show();
    EXPECT_EQ(wheel.Text(), "0");
    QSignalSpy changes(&wheel, &QListWidget::currentRowChanged);

    QTest::mouseClick(wheel.viewport(), Qt::LeftButton, {}, QPoint(5, 18));
    EXPECT_EQ(wheel.Text(), "1") << "lower half turns up a digit";
    QTest::mouseClick(wheel.viewport(), Qt::LeftButton, {}, QPoint(5, 2));
    QTest::mouseClick(wheel.viewport(), Qt::LeftButton, {}, QPoint(5, 2));
    EXPECT_EQ(wheel.Text(), "0") << "upper half turns down and stops at 0";

    QWheelEvent down(QPointF(5, 10), wheel.mapToGlobal(QPointF(5, 10)), {}, QPoint(0, -120), Qt::NoButton, {},
                     Qt::NoScrollPhase, false);
    for (int i = 0; i < 12; ++i)
        QApplication::sendEvent(wheel.viewport(), &down);
    EXPECT_EQ(wheel.Text(), "9") << "stops at 9";
    QTest::keyClick(&wheel, Qt::Key_Up);
    EXPECT_EQ(wheel.Text(), "8");
    EXPECT_EQ(changes.count(), 1 + 1 + 9 + 1) << "one change per digit turned, none at the stops";
}

} // namespace
