#include "ModalDriver.h"
#include "platform/Cp932.h"

#include <MirvRes.h>

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <array>

namespace {

void press(QDialog& dialog, QDialogButtonBox::StandardButton which)
{
    dialog.findChild<QDialogButtonBox*>()->button(which)->click();
}

using Values = std::array<std::int16_t, 3>;

TEST(Dialog, Dlg100OkHandsBackEditsAndScope)
{
    for (const bool applyAll : {true, false}) {
        SCOPED_TRACE(applyAll);
        Values v{0, 0, 0};
        ModalDriver driver([applyAll](QDialog& d) {
            child<QRadioButton>(d, "zeroMode3").click();
            child<QSpinBox>(d, "shift").setValue(2);
            child<QSpinBox>(d, "fillZero").setValue(4);
            child<QCheckBox>(d, "applyAll").setChecked(applyAll);
            press(d, QDialogButtonBox::Ok);
        });
        EXPECT_EQ(Call_dlg100(nullptr, 5, &v[0], &v[1], &v[2]), applyAll ? 1 : 2);
        EXPECT_TRUE(driver.found);
        EXPECT_EQ(v, (Values{3, 2, 4}));
    }
}

TEST(Dialog, Dlg100RangesFollowKetaAndCancelKeepsValues)
{
    for (const std::int16_t keta : {1, 3, 8}) {
        SCOPED_TRACE(keta);
        Values v{1, 0, 1};
        std::array<int, 7> shown{};
        ModalDriver driver([&shown, keta](QDialog& d) {
            auto& shift = child<QSpinBox>(d, "shift");
            auto& fill = child<QSpinBox>(d, "fillZero");
            shown = {child<QRadioButton>(d, "zeroMode1").isChecked(), shift.value(), fill.value(),
                     shift.minimum(), shift.maximum(), fill.minimum(), fill.maximum()};
            child<QRadioButton>(d, "zeroMode2").click();
            shift.setValue(keta - 1);
            fill.setValue(0);
            child<QCheckBox>(d, "applyAll").setChecked(true);
            press(d, QDialogButtonBox::Cancel);
        });
        EXPECT_EQ(Call_dlg100(nullptr, keta, &v[0], &v[1], &v[2]), 0);
        EXPECT_EQ(shown, (std::array<int, 7>{1, 0, 1, 0, keta - 1, 0, keta}));
        EXPECT_EQ(v, (Values{1, 0, 1}));
    }
}

TEST(Dialog, Dlg100KeepsUnknownZeroModeAndOwnsToControlWindow)
{
    QWidget top;
    auto* control = new QWidget(&top);
    QWidget* parent = nullptr;
    Values v{9, 0, 1};
    ModalDriver driver([&parent](QDialog& d) {
        parent = d.parentWidget();
        press(d, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(Call_dlg100(control, 2, &v[0], &v[1], &v[2]), 2);
    EXPECT_EQ(parent, &top);
    EXPECT_EQ(v, (Values{9, 0, 1}));

    std::int16_t s = 0, f = 0;
    EXPECT_EQ(Call_dlg100(nullptr, 2, nullptr, &s, &f), 0);
}

TEST(Dialog, Dlg110ShowsDecodedLinesUntilClosed)
{
    const struct { QString text; QString shown; bool viaOk; } cases[] = {
        {QStringLiteral("系統 ①\r\n～終点"), QStringLiteral("系統 ①\n～終点"), true},
        {QStringLiteral("ｱ\r\n\r\nB"), QStringLiteral("ｱ\n\nB"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        QString shown;
        ModalDriver driver([&shown, &c](QDialog& d) {
            shown = child<QLabel>(d, "information").text();
            c.viaOk ? press(d, QDialogButtonBox::Ok) : void(d.close());
        });
        QByteArray bytes = *Cp932::encode(c.text);
        Call_dlg110(nullptr, 0, bytes.data());
        EXPECT_TRUE(driver.found);
        EXPECT_EQ(shown, c.shown);
    }
}

} // namespace
