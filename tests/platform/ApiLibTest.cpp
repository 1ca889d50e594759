#include "Seam.h"
#include "platform/ApiLib.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <new>
#include <stdexcept>

namespace {

using ApiLib::vbCritical;
using ApiLib::vbOKOnly;

TEST(ApiLib, MsgBoxPassesSeamWithAppTitleByDefault)
{
    SeamRecorder seam([](ApiLib::SeamCall&) { return ApiLib::vbNo; });
    EXPECT_EQ(ApiLib::MsgBox(QStringLiteral("保存しますか?"), ApiLib::vbYesNo | ApiLib::vbQuestion), ApiLib::vbNo);
    ApiLib::MsgBox(QStringLiteral("x"), vbOKOnly, QStringLiteral("別題"));
    ASSERT_EQ(seam.calls.size(), 2);
    EXPECT_EQ(seam.calls[0].kind, QStringLiteral("MsgBox"));
    EXPECT_EQ(seam.calls[0].title, QStringLiteral("ミラゼルアプリケーション"));
    EXPECT_EQ(seam.calls[0].text, QStringLiteral("保存しますか?"));
    EXPECT_EQ(seam.calls[0].style, ApiLib::vbYesNo | ApiLib::vbQuestion);
    EXPECT_EQ(seam.calls[1].title, QStringLiteral("別題"));
}

TEST(ApiLib, ShowErrorUsesFixedLayout)
{
    // Placeholders inside a description must come through untouched.
    const AppError error(53, QStringLiteral("%1 が%2ありません"));
    const QString expected = QStringLiteral("エラー Code:53\r\n内容:%1 が%2ありません");
    EXPECT_EQ(ApiLib::errorText(error), expected);

    SeamRecorder seam;
    ApiLib::showError(error);
    ASSERT_EQ(seam.calls.size(), 1);
    EXPECT_EQ(seam.calls[0].text, expected);
    EXPECT_EQ(seam.calls[0].title, QStringLiteral("ミラゼルアプリケーション"));
    EXPECT_EQ(seam.calls[0].style, vbOKOnly | vbCritical);
}

TEST(ApiLib, GuardedShowsEveryFailureOnce)
{
    const struct { const char* name; std::function<void()> body; int number; } cases[] = {
        {"AppError", [] { throw AppError(ErrNo::PathNotFound); }, ErrNo::PathNotFound},
        {"bad_alloc", [] { throw std::bad_alloc(); }, ErrNo::OutOfMemory},
        {"runtime_error", [] { throw std::runtime_error("boom"); }, ErrNo::InternalError},
        {"int", [] { throw 42; }, ErrNo::InternalError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SeamRecorder seam;
        ApiLib::guarded(c.body);
        ASSERT_EQ(seam.calls.size(), 1);
        EXPECT_TRUE(seam.calls[0].text.startsWith(QStringLiteral("エラー Code:%1\r\n内容:").arg(c.number)));
        EXPECT_EQ(seam.calls[0].style, vbOKOnly | vbCritical);
    }
    SeamRecorder quiet;
    ApiLib::guarded([] {});
    EXPECT_TRUE(quiet.calls.isEmpty());
}

TEST(ApiLib, GuardedSurvivesFailingMessageBox)
{
    // guarded is noexcept: anything escaping would terminate the run.
    int attempts = 0;
    SeamRecorder seam([&attempts](ApiLib::SeamCall&) -> std::int32_t {
        ++attempts;
        throw std::runtime_error("no display");
    });
    ApiLib::guarded([] { throw AppError(ErrNo::DiskFull); });
    EXPECT_EQ(attempts, 1);
}

TEST(ApiLib, ByteStringWrappers)
{
    const QByteArray keitou("\x8C\x6E\x93\x9D");
    EXPECT_EQ(ApiLib::LenB_ASCII(QByteArray()), 0);
    EXPECT_EQ(ApiLib::LenB_ASCII("ab" + keitou), 6);

    const QByteArray source = "A" + keitou + "Z";
    const QByteArray shared = source; // the wrapper must not write into shared data
    const struct { std::int32_t start, length; QByteArray piece; } cases[] = {
        {1, 3, "A\x8C\x6E"}, {3, 2, "\x6E\x93"}, {0, 2, "A\x8C"}, {-7, 1, "A"},
        {6, 9, "Z"},         {7, 1, ""},         {2, 0, ""},      {2, -1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ApiLib::MidB_ASCII(shared, c.start, c.length), c.piece) << c.start << "," << c.length;
    EXPECT_EQ(source, "A" + keitou + "Z");
}

TEST(ApiLib, GetOsInfoNamesKernelAndRelease)
{
    const QString info = ApiLib::GetOsInfo();
    EXPECT_TRUE(info.startsWith(QSysInfo::kernelType(), Qt::CaseInsensitive)) << info.toStdString();
    EXPECT_TRUE(info.endsWith(QLatin1Char(' ') + QSysInfo::kernelVersion())) << info.toStdString();
}

TEST(ApiLib, Dlg100ThroughSeamHandsValuesBackUnlessCancelled)
{
    for (const std::int32_t answer : {0, 1, 2}) {
        SCOPED_TRACE(answer);
        QList<std::int32_t> seen;
        SeamRecorder seam([answer, &seen](ApiLib::SeamCall& call) {
            seen = call.numbers;
            call.numbers = {call.numbers[0], 3, 4, 5};
            return answer;
        });
        std::int16_t zeroMode = 1, shift = 2, fillZero = 0;
        EXPECT_EQ(ApiLib::Call_dlg100(nullptr, 6, zeroMode, shift, fillZero), answer);
        ASSERT_EQ(seam.calls.size(), 1);
        EXPECT_EQ(seam.calls[0].kind, QStringLiteral("Call_dlg100"));
        EXPECT_EQ(seen, (QList<std::int32_t>{6, 1, 2, 0}));
        const std::array<std::int16_t, 3> expected = answer == 0 ? std::array<std::int16_t, 3>{1, 2, 0}
                                                                 : std::array<std::int16_t, 3>{3, 4, 5};
        EXPECT_EQ((std::array{zeroMode, shift, fillZero}), expected);
    }

    SeamRecorder seam;
    ApiLib::Call_dlg110(nullptr, 7, QStringLiteral("一行目\r\n二行目"));
    ASSERT_EQ(seam.calls.size(), 1);
    EXPECT_EQ(seam.calls[0].kind, QStringLiteral("Call_dlg110"));
    EXPECT_EQ(seam.calls[0].text, QStringLiteral("一行目\r\n二行目"));
    EXPECT_EQ(seam.calls[0].numbers, QList<std::int32_t>{7});
}

TEST(ApiLib, GetVersionExAReportsCurrentNtFamily)
{
    ApiLib::OSVERSIONINFO info;
    ASSERT_TRUE(ApiLib::GetVersionExA(info));
    EXPECT_EQ(info.dwPlatformId, ApiLib::VER_PLATFORM_WIN32_NT);
    EXPECT_GE(info.dwMajorVersion, 6u);

    ApiLib::OSVERSIONINFO tooSmall;
    tooSmall.dwOSVersionInfoSize = 147;
    EXPECT_FALSE(ApiLib::GetVersionExA(tooSmall));
    EXPECT_EQ(tooSmall.dwPlatformId, 0u);
}

TEST(ApiLib, SleepWaitsWhileTimersAndPaintingGoOn)
{
    int ticks = 0;
    QTimer timer;
    timer.callOnTimeout([&] { ++ticks; });
    timer.start(10);
    QElapsedTimer clock;
    clock.start();
    ApiLib::Sleep(150);
    EXPECT_GE(clock.elapsed(), 140);
    EXPECT_GE(ticks, 5) << "the program must not freeze during the wait";
}

TEST(ApiLib, PathsFollowTheSeparatorRuleAndIgnoreLetterCase)
{
    EXPECT_EQ(ApiLib::withTrailingSeparator(QString()), QString());
    EXPECT_EQ(ApiLib::withTrailingSeparator(QStringLiteral("/a")), QStringLiteral("/a/"));
    EXPECT_EQ(ApiLib::withTrailingSeparator(QStringLiteral("/a/")), QStringLiteral("/a/"));
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("12Tp.csv")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(ApiLib::FindFileNoCase(dir.filePath(QStringLiteral("12tp.csv"))), dir.filePath(QStringLiteral("12Tp.csv")));
    EXPECT_EQ(ApiLib::FindFileNoCase(dir.filePath(QStringLiteral("12Tp.csv"))), dir.filePath(QStringLiteral("12Tp.csv")));
    EXPECT_EQ(ApiLib::FindFileNoCase(dir.filePath(QStringLiteral("13tp.csv"))), dir.filePath(QStringLiteral("13tp.csv")));
}

// A picker answers with the full byte length of the chosen path; a path that
// does not fit the buffer comes back empty. That is not a cancel: the user
// is told the path is too long.
TEST(ApiLib, PickPathHandsBackFittingPathsAndRefusesLongOnes)
{
    const struct { int length; bool fits; } cases[] = {
        {0, true}, {1, true}, {ApiLib::PathBufferSize - 1, true}, {ApiLib::PathBufferSize, false},
        {ApiLib::PathBufferSize + 1, false}, {20000, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        const QByteArray path = QByteArray("/") + QByteArray(std::max(c.length - 1, 0), 'a');
        const QByteArray chosen = c.length == 0 ? QByteArray() : path;
        SeamRecorder seam;
        const QString picked = ApiLib::pickPath([&](char* buffer, std::int32_t size) {
            if (chosen.size() < size) {
                std::memcpy(buffer, chosen.constData(), static_cast<size_t>(chosen.size()));
                buffer[chosen.size()] = '\0';
            } else {
                buffer[0] = '\0';
            }
            return static_cast<std::int32_t>(chosen.size());
        });
        EXPECT_EQ(picked, c.fits ? QString::fromLatin1(chosen) : QString());
        if (c.fits) {
            EXPECT_TRUE(seam.calls.isEmpty());
            continue;
        }
        ASSERT_EQ(seam.calls.size(), 1);
        EXPECT_EQ(seam.calls[0].kind, QStringLiteral("MsgBox"));
        EXPECT_EQ(seam.calls[0].style, ApiLib::vbExclamation);
        EXPECT_TRUE(seam.calls[0].text.contains(QStringLiteral("長すぎ"))) << seam.calls[0].text.toStdString();
        EXPECT_TRUE(seam.calls[0].text.contains(QString::number(c.length))) << "says how long it is";
    }
}

} // namespace
