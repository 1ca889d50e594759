#include "FileFilter.h"
#include "ModalDriver.h"
#include "Seam.h"
#include "platform/ApiLib.h"
#include "platform/Cp932.h"

#include <MirvRes.h>

#include <QCalendarWidget>
#include <QColorDialog>
#include <QDate>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

using Entries = QList<std::pair<QString, QStringList>>;

Entries entriesOf(const QByteArray& filter)
{
    Entries out;
    for (const auto& e : FileFilter::parse(filter.constData()))
        out.append({e.description, e.patterns});
    return out;
}

TEST(FileFilter, ReadsPairsUpToTheEmptyDescription)
{
    const QByteArray plugin = Cp932::encode(QStringLiteral("整理券プラグイン(*.4SP)")).value() + QByteArray("\0*.4SP\0\0", 8);
    const struct { const char* name; QByteArray filter; Entries entries; QStringList qt; } cases[] = {
        {"one pair", plugin, {{QStringLiteral("整理券プラグイン(*.4SP)"), {QStringLiteral("*.4SP")}}},
         {QStringLiteral("整理券プラグイン(*.4SP)")}},
        {"several patterns", QByteArray("Pictures\0*.bmp;*.gif; *.jpg\0All\0*.*\0\0", 38),
         {{QStringLiteral("Pictures"), {QStringLiteral("*.bmp"), QStringLiteral("*.gif"), QStringLiteral("*.jpg")}},
          {QStringLiteral("All"), {QStringLiteral("*.*")}}},
         {QStringLiteral("Pictures (*.bmp *.gif *.jpg)"), QStringLiteral("All (*.*)")}},
        {"description without pattern", QByteArray("Wave\0*.wav\0Lost\0\0", 18),
         {{QStringLiteral("Wave"), {QStringLiteral("*.wav")}}}, {QStringLiteral("Wave (*.wav)")}},
        {"empty", QByteArray("\0\0", 2), {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(entriesOf(c.filter), c.entries);
        EXPECT_EQ(FileFilter::qtNameFilters(FileFilter::parse(c.filter.constData())), c.qt);
    }
    EXPECT_TRUE(FileFilter::parse(nullptr).isEmpty());
}

QStringList listedNames(QFileDialog& dialog, const QString& folder)
{
    auto* model = dialog.findChild<QFileSystemModel*>();
    if (!model)
        return {};
    const QModelIndex parent = model->index(folder);
    (void)QTest::qWaitFor([&] { return model->rowCount(parent) > 0; }, 2000);
    QStringList names;
    for (int row = 0; row < model->rowCount(parent); ++row)
        names.append(model->index(row, 0, parent).data().toString());
    names.sort();
    return names;
}

void touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

TEST(Pickers, FileDialogShowsPatternsInAnyCaseAndHandsBackThePath)
{
    QTemporaryDir dir;
    for (const char* name : {"x.4sp", "Y.4SP", "z.txt"})
        touch(dir.filePath(QLatin1String(name)));
    QStringList listed;
    QString title;
    ModalDriver driver([&](QDialog& d) {
        auto& dialog = static_cast<QFileDialog&>(d);
        title = dialog.windowTitle();
        listed = listedNames(dialog, dir.path());
        dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("x.4sp"));
        d.accept();
    });
    const QString chosen = ApiLib::KelFileDlg(nullptr, 0, QStringLiteral("整理券プラグイン(*.4SP)\0*.4SP"), dir.path(),
                                              QStringLiteral("プラグインの選択"));
    EXPECT_TRUE(driver.found);
    EXPECT_EQ(title, QStringLiteral("プラグインの選択"));
    EXPECT_EQ(listed, (QStringList{QStringLiteral("Y.4SP"), QStringLiteral("x.4sp")}));
    EXPECT_EQ(chosen, dir.filePath(QStringLiteral("x.4sp")));
}

TEST(Pickers, FileDialogRefusesANameCodePage932CannotHold)
{
    QTemporaryDir dir;
    const QString name = QStringLiteral("bus\U0001F68C.4SP");
    touch(dir.filePath(name));
    QString warning;
    bool stillOpen = false;
    ModalDriver driver([&](QDialog& d) {
        QTimer::singleShot(0, [&warning] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                warning = box->text();
                box->close();
            }
        });
        d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
        d.accept();
        stillOpen = d.isVisible();
        d.reject();
    });
    const QByteArray start = dir.path().toUtf8();
    char result[64] = "unchanged";
    EXPECT_EQ(KelFileDlg(nullptr, 0, "All\0*.*\0", start.constData(), "", result, sizeof result), 0);
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(warning.contains(name)) << warning.toStdString();
    EXPECT_STREQ(result, "");
}

TEST(Pickers, FolderDialogHandsBackTheFolderWhenItFits)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("音声")));
    const QString folder = dir.filePath(QStringLiteral("音声"));
    const QByteArray expected = Cp932::encode(folder).value();
    for (const int size : {4096, int(expected.size())}) {
        SCOPED_TRACE(size);
        ModalDriver driver([&](QDialog& d) {
            auto& dialog = static_cast<QFileDialog&>(d);
            EXPECT_TRUE(dialog.testOption(QFileDialog::ShowDirsOnly));
            dialog.setDirectory(dir.path());
            dialog.selectFile(folder);
            d.accept();
        });
        QByteArray buffer(size, 'x');
        const std::int32_t length = KelFolderDlg(nullptr, "フォルダー", buffer.data(), size);
        EXPECT_EQ(length, expected.size());
        // A result that does not fit comes back empty, never cut.
        EXPECT_EQ(QByteArray(buffer.constData()), size > expected.size() ? expected : QByteArray());
    }
}

TEST(Pickers, ColourChooserEditsColourAndCustomTableOnlyWhenChosen)
{
    std::array<std::int32_t, 17> table{};
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<std::int32_t>(0x010101 * (i + 1));
    for (const bool accept : {false, true}) {
        SCOPED_TRACE(accept);
        std::int32_t colour = 0x0000FF; // red
        QColor shown;
        ModalDriver driver([&](QDialog& d) {
            auto& dialog = static_cast<QColorDialog&>(d);
            shown = dialog.currentColor();
            dialog.setCurrentColor(QColor(0x12, 0x34, 0x56));
            // The chooser's own button puts the current colour in the first custom slot.
            for (auto* b : dialog.findChildren<QPushButton*>()) {
                if (b->text().contains(QStringLiteral("Custom")))
                    b->click();
            }
            accept ? dialog.accept() : dialog.reject();
        });
        auto expected = table;
        const std::int32_t result = ApiLib::KelChooseColor(nullptr, colour, table);
        EXPECT_EQ(shown, QColor(0xFF, 0, 0));
        if (accept)
            expected[0] = 0x563412;
        EXPECT_EQ(result, accept ? 1 : 0);
        EXPECT_EQ(colour, accept ? 0x563412 : 0x0000FF);
        EXPECT_EQ(table, expected);
    }
}

TEST(Pickers, CalendarSetsTheDateOnlyWhenChosen)
{
    const struct { MrvDate given; QDate opens; QDate pick; bool accept; MrvDate expected; } cases[] = {
        {{}, QDate::currentDate(), QDate(2024, 2, 29), true, {2024, 2, 4, 29, 0, 0, 0, 0}},
        {{2023, 12, 0, 31, 7, 8, 9, 10}, QDate(2023, 12, 31), QDate(2025, 1, 5), true, {2025, 1, 0, 5, 7, 8, 9, 10}},
        {{2023, 12, 0, 31, 0, 0, 0, 0}, QDate(2023, 12, 31), QDate(2025, 1, 5), false, {2023, 12, 0, 31, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        MrvDate record = c.given;
        QDate opened;
        ModalDriver driver([&](QDialog& d) {
            auto& calendar = child<QCalendarWidget>(d, "calendar");
            opened = calendar.selectedDate();
            calendar.setSelectedDate(c.pick);
            d.findChild<QDialogButtonBox*>()->button(c.accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
        EXPECT_EQ(ApiLib::Call_dlg111(nullptr, record), c.accept ? 1 : 0);
        EXPECT_EQ(opened, c.opens);
        EXPECT_EQ(std::memcmp(&record, &c.expected, sizeof record), 0)
            << record.year << "/" << record.month << "/" << record.day << " w" << record.dayOfWeek << " h" << record.hour;
    }
}

// Through the seam: what the answerer sees, and that a cancel hands back
// nothing whatever the answerer wrote.
TEST(PickerSeam, PathPickersHandBackTheAnswerOnlyWhenAccepted)
{
    for (const bool accept : {true, false}) {
        SCOPED_TRACE(accept);
        SeamRecorder seam([accept](ApiLib::SeamCall& call) {
            call.texts = QStringList{QStringLiteral("/data/%1").arg(call.kind)};
            return accept ? 1 : 0;
        });
        const QString filter = QStringLiteral("整理券プラグイン(*.4SP)\0*.4SP\0\0");
        EXPECT_EQ(ApiLib::KelFileDlg(nullptr, 0, filter, QStringLiteral("/start"), QStringLiteral("プラグインの選択")),
                  accept ? QStringLiteral("/data/KelFileDlg") : QString());
        EXPECT_EQ(ApiLib::KelFolderDlg(nullptr, QStringLiteral("フォルダーを選択してください")),
                  accept ? QStringLiteral("/data/KelFolderDlg") : QString());
        ASSERT_EQ(seam.calls.size(), 2);
        EXPECT_EQ(seam.calls[0].kind, QStringLiteral("KelFileDlg"));
        EXPECT_EQ(seam.calls[0].title, QStringLiteral("プラグインの選択"));
        EXPECT_EQ(seam.calls[0].text, filter);
        EXPECT_EQ(seam.calls[1].kind, QStringLiteral("KelFolderDlg"));
        EXPECT_EQ(seam.calls[1].title, QStringLiteral("フォルダーを選択してください"));
    }
    // What the answerer was given, before it answered.
    QStringList initial;
    SeamRecorder seam([&initial](ApiLib::SeamCall& call) {
        initial = call.texts;
        return 0;
    });
    ApiLib::KelFileDlg(nullptr, 0, QStringLiteral("a\0*.a"), QStringLiteral("/start"), QString());
    EXPECT_EQ(initial, QStringList{QStringLiteral("/start")});
}

TEST(PickerSeam, ColourAndDateAnswersChangeTheCallersValuesInPlace)
{
    for (const bool accept : {true, false}) {
        SCOPED_TRACE(accept);
        SeamRecorder seam([accept](ApiLib::SeamCall& call) {
            if (call.kind == QStringLiteral("KelChooseColor")) {
                EXPECT_EQ(call.numbers.size(), 18);
                call.numbers[0] = 0x00FF00;
                call.numbers[1 + 3] = 0x123456; // custom colour 3
            } else {
                EXPECT_EQ(call.numbers, (QList<std::int32_t>{0, 0, 0, 0, 0, 0, 0, 0}));
                call.numbers = {2024, 5, 6, 11, 0, 0, 0, 0};
            }
            return accept ? 1 : 0;
        });
        std::int32_t colour = 0x0000FF;
        std::array<std::int32_t, 17> table{};
        table.fill(0x7F7F7F);
        EXPECT_EQ(ApiLib::KelChooseColor(nullptr, colour, table), accept ? 1 : 0);
        EXPECT_EQ(colour, accept ? 0x00FF00 : 0x0000FF);
        EXPECT_EQ(table[3], accept ? 0x123456 : 0x7F7F7F);
        EXPECT_EQ(table[16], 0x7F7F7F);
        EXPECT_EQ(seam.calls.value(0).numbers.value(17), 0x7F7F7F);

        MrvDate record{};
        EXPECT_EQ(ApiLib::Call_dlg111(nullptr, record), accept ? 1 : 0);
        EXPECT_EQ(record.year, accept ? 2024 : 0);
        EXPECT_EQ(record.month, accept ? 5 : 0);
        EXPECT_EQ(record.day, accept ? 11 : 0);
        EXPECT_EQ(record.dayOfWeek, accept ? 6 : 0);
    }
}

} // namespace
