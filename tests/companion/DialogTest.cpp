#include "ModalDriver.h"
#include "platform/Cp932.h"

#include <MirvRes.h>

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <functional>
#include <new>

// Armed, the next operator new fails as it does when memory runs out. The
// replacement serves the whole binary, the library and Qt included; unarmed
// it is plain malloc and free. Only one allocation fails: Qt, built without
// exceptions, is not left half-way through anything but the constructor that
// asked.
namespace {
std::atomic<bool> failNextAllocation{false};
}

void* operator new(std::size_t size)
{
    if (failNextAllocation.exchange(false))
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

// Qt also allocates through the nothrow form; it must come from the same
// malloc that the replaced delete hands back to, or the sanitizer's own
// nothrow new meets plain free.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    if (failNextAllocation.exchange(false))
        return nullptr;
    return std::malloc(size ? size : 1);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

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

// A dialog that fails on its way up must end as its "nothing done", never
// cross into the caller. Here the first allocation inside each call fails.
TEST(Interface, AFailureInsideADialogStaysInTheLibrary)
{
    Values v{1, 0, 1};
    QByteArray text("abc");
    MrvDate record{2024, 1, 1, 1, 0, 0, 0, 0};
    const MrvDate recordBefore = record;
    const struct { const char* name; std::function<std::int32_t()> call; } cases[] = {
        {"Call_dlg100", [&] { return Call_dlg100(nullptr, 3, &v[0], &v[1], &v[2]); }},
        {"Call_dlg110", [&] { return Call_dlg110(nullptr, 1, text.data()); }},
        {"Call_dlg111", [&] { return Call_dlg111(nullptr, &record); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // None may get as far as showing its dialog; one that does is closed.
        QTimer closer;
        closer.setSingleShot(true);
        closer.callOnTimeout([] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "a dialog opened";
                w->close();
            }
        });
        closer.start(2000);
        std::int32_t result = -1;
        bool escaped = false;
        failNextAllocation = true;
        try {
            result = c.call();
        } catch (...) {
            escaped = true;
        }
        EXPECT_FALSE(failNextAllocation.exchange(false)) << "the call allocated nothing";
        EXPECT_FALSE(escaped);
        EXPECT_EQ(result, 0);
    }
    EXPECT_EQ(v, (Values{1, 0, 1}));
    EXPECT_EQ(std::memcmp(&record, &recordBefore, sizeof record), 0);
}

// The dynamic symbol table offers exactly the declared C operations: no C++
// internal that the program also links may be bound across the two.
TEST(Interface, TheLibraryExportsExactlyItsCOperations)
{
    const std::pair<const char*, void*> declared[] = {
        {"LenB_ASCII", reinterpret_cast<void*>(&LenB_ASCII)},
        {"MidB_ASCII", reinterpret_cast<void*>(&MidB_ASCII)},
        {"GetOsInfo", reinterpret_cast<void*>(&GetOsInfo)},
        {"Call_dlg100", reinterpret_cast<void*>(&Call_dlg100)},
        {"Call_dlg110", reinterpret_cast<void*>(&Call_dlg110)},
        {"Call_dlg111", reinterpret_cast<void*>(&Call_dlg111)},
        {"KelFileDlg", reinterpret_cast<void*>(&KelFileDlg)},
        {"KelFolderDlg", reinterpret_cast<void*>(&KelFolderDlg)},
        {"KelChooseColor", reinterpret_cast<void*>(&KelChooseColor)},
        {"Mrv_GetPlgInfo", reinterpret_cast<void*>(&Mrv_GetPlgInfo)},
        {"Mrv_SetPlgComment", reinterpret_cast<void*>(&Mrv_SetPlgComment)},
        {"Mrv_SetCorpAddList", reinterpret_cast<void*>(&Mrv_SetCorpAddList)},
        {"Mrv_DrawSeiriken", reinterpret_cast<void*>(&Mrv_DrawSeiriken)},
    };
    Dl_info where{};
    ASSERT_NE(dladdr(declared[0].second, &where), 0);
    const QString library = QString::fromLocal8Bit(where.dli_fname);
    ASSERT_TRUE(library.contains(QStringLiteral("libMirvRes"))) << library.toStdString();

    const QString nm = QStandardPaths::findExecutable(QStringLiteral("nm"));
    ASSERT_FALSE(nm.isEmpty()) << "nm (binutils) is needed to read the symbol table";
    QProcess process;
    process.start(nm, {QStringLiteral("-D"), QStringLiteral("--defined-only"), library});
    ASSERT_TRUE(process.waitForFinished(30000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    QStringList exported;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 3)
            exported.append(QString::fromLatin1(fields.last().split('@').first()));
    }
    exported.sort();

    QStringList expected;
    for (const auto& [name, address] : declared) {
        expected.append(QString::fromLatin1(name));
        // The program's calls reach the library's own definitions.
        void* handle = dlopen(where.dli_fname, RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(handle, nullptr);
        EXPECT_EQ(dlsym(handle, name), address) << name;
        dlclose(handle);
    }
    expected.sort();
    EXPECT_EQ(exported, expected);
}

} // namespace
