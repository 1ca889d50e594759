#include "panel/DataIo.h"

#include "RouteFixture.h"
#include "platform/AppError.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

using DataIo::LoadResult;

TEST(RouteText, NumbersAndSections)
{
    EXPECT_EQ(DataIo::RouteNumber(QStringLiteral("00012")), "12");
    EXPECT_EQ(DataIo::RouteNumber(QStringLiteral("12")), "12");
    EXPECT_EQ(DataIo::RouteNumber(QString()), "0");
    EXPECT_EQ(DataIo::RouteNumber(QStringLiteral("00000")), "0");
    EXPECT_EQ(DataIo::RouteNumber(QStringLiteral("99999")), "99999");

    const std::pair<const char*, int> sections[] = {{"", 1}, {"000", 1}, {"0", 1}, {"1", 1}, {"004", 4},
                                                    {"300", 300}, {"301", 300}, {"999", 300}};
    for (const auto& [text, expected] : sections)
        EXPECT_EQ(DataIo::SectionFromText(QString::fromLatin1(text)), expected) << text;
}

TEST(RouteText, FareFilePathWithAndWithoutSeparator)
{
    EXPECT_EQ(DataIo::FareFilePath(QStringLiteral("/data/fares"), QStringLiteral("00012")), "/data/fares/12.hy3");
    EXPECT_EQ(DataIo::FareFilePath(QStringLiteral("/data/fares/"), QStringLiteral("12")), "/data/fares/12.hy3");
    EXPECT_EQ(DataIo::FareFilePath(QString(), QStringLiteral("7")), "7.hy3");
}

TEST(RouteText, FileNamesMatchWhateverTheirCase)
{
    QTemporaryDir dir;
    RouteFixture::writeFile(dir, QStringLiteral("12.HY3"), Hy3File::write(RouteFixture::route(2)));
    EXPECT_EQ(DataIo::FareFilePath(dir.path(), QStringLiteral("12")), dir.filePath(QStringLiteral("12.HY3")));
}

TEST(FareCells, StoreWithinTheTableOnly)
{
    RouteFixture::resetRouteState();
    DataIo::SetFareCell(301, 1, QStringLiteral("終点"));
    DataIo::SetFareCell(301, 2, std::int16_t{12});
    DataIo::SetFareCell(301, 3, std::int16_t{-1});
    DataIo::SetFareCell(301, 152, std::int16_t{32767});
    EXPECT_EQ(DataIo::FareTable[301].Chimei, "終点");
    EXPECT_EQ(DataIo::FareTable[301].SeiriNum, 12);
    EXPECT_EQ(DataIo::FareTable[301].Fare[0], -1) << "column 3 is data column 1";
    EXPECT_EQ(DataIo::FareTable[301].Fare[149], 32767);
    for (auto [row, column] : {std::pair{0, 1}, {302, 1}, {1, 0}, {1, 153}}) {
        try {
            DataIo::SetFareCell(row, column, std::int16_t{1});
            ADD_FAILURE() << row << "," << column << " was accepted";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), ErrNo::SubscriptOutOfRange);
        }
    }
    auto typeMismatch = [](auto store) {
        try {
            store();
            return false;
        } catch (const AppError& e) {
            return e.number() == ErrNo::TypeMismatch;
        }
    };
    EXPECT_TRUE(typeMismatch([] { DataIo::SetFareCell(5, 1, std::int16_t{3}); }));
    EXPECT_TRUE(typeMismatch([] { DataIo::SetFareCell(5, 2, QStringLiteral("x")); }));
    DataIo::ClearFareTable();
    EXPECT_TRUE(DataIo::FareTable[301].Chimei.isEmpty());
    EXPECT_EQ(DataIo::FareTable[301].Fare[149], 0);
}

class LoadFare : public testing::Test
{
protected:
    void SetUp() override { RouteFixture::resetRouteState(); }

    LoadResult load(const QByteArray& bytes, int section)
    {
        DataIo::nKukan = static_cast<std::int16_t>(section);
        return DataIo::LoadFareFile(RouteFixture::writeFile(dir, QStringLiteral("r.hy3"), bytes));
    }

    QTemporaryDir dir;
};

TEST_F(LoadFare, SectionMustLeaveAStopToGoTo)
{
    const QByteArray five = Hy3File::write(RouteFixture::route(5));
    EXPECT_EQ(load(five, 5), LoadResult::SectionTooLarge);
    EXPECT_EQ(DataIo::nDataCount, 5) << "N is kept as soon as it is read";
    EXPECT_EQ(DataIo::nStoredRows, 0);
    EXPECT_EQ(load(five, 4), LoadResult::Loaded);
    EXPECT_EQ(DataIo::nCurIndex, 3);
    EXPECT_EQ(DataIo::nStoredRows, 5);
    EXPECT_EQ(DataIo::FareTable[5].Chimei, "停留所5");
    EXPECT_EQ(DataIo::FareTable[5].Fare[4], 1055) << "cell 5 of row 5";
    EXPECT_TRUE(DataIo::FareTable[6].Chimei.isEmpty());
}

TEST_F(LoadFare, CountsThatCannotBeShown)
{
    auto countOnly = [](std::int16_t n) {
        QByteArray bytes(2, '\0');
        bytes[0] = static_cast<char>(n & 0xFF);
        bytes[1] = static_cast<char>((n >> 8) & 0xFF);
        return bytes;
    };
    EXPECT_EQ(load(countOnly(0), 1), LoadResult::NoData);
    EXPECT_EQ(load(countOnly(-3), 1), LoadResult::SectionTooLarge);
    EXPECT_EQ(DataIo::nDataCount, -3);
    EXPECT_EQ(DataIo::LoadFareFile(dir.filePath(QStringLiteral("none.hy3"))), LoadResult::FileMissing);
    try {
        DataIo::LoadFareFile(dir.path());
        ADD_FAILURE() << "a folder was read as a fare file";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), ErrNo::PathFileAccess);
    }
}

TEST_F(LoadFare, FailuresLeaveTheTableAsItWas)
{
    ASSERT_EQ(load(Hy3File::write(RouteFixture::route(3)), 1), LoadResult::Loaded);
    QByteArray longRoute = Hy3File::write(RouteFixture::route(302));
    QByteArray shortFile = Hy3File::write(RouteFixture::route(4));
    shortFile.chop(10);
    QByteArray nameTooLong = Hy3File::write(RouteFixture::route(2));
    nameTooLong[2] = static_cast<char>(0xFF);
    nameTooLong[3] = static_cast<char>(0x7F);

    const std::pair<QByteArray, int> cases[] = {
        {longRoute, ErrNo::SubscriptOutOfRange},
        {shortFile, ErrNo::InputPastEnd},
        {nameTooLong, ErrNo::InputPastEnd},
    };
    for (const auto& [bytes, error] : cases) {
        try {
            load(bytes, 1);
            ADD_FAILURE() << "error " << error << " not raised for a file of " << bytes.size() << " bytes";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), error);
        }
        EXPECT_EQ(DataIo::nStoredRows, 3) << error;
        EXPECT_EQ(DataIo::FareTable[1].Chimei, "停留所1") << error;
        EXPECT_EQ(DataIo::FareTable[3].Fare[2], 1033) << error;
        EXPECT_TRUE(DataIo::FareTable[4].Chimei.isEmpty()) << error;
    }
}

TEST_F(LoadFare, ABadByteInANameCostsOnlyThatCharacter)
{
    QByteArray badName = Hy3File::write(RouteFixture::route(3));
    badName[4] = static_cast<char>(0x81); // "停" cut into a lead byte and a byte no trail may be
    badName[5] = static_cast<char>(0x20);
    std::vector<int> undecodable{99};
    DataIo::nKukan = 1;
    ASSERT_EQ(DataIo::LoadFareFile(RouteFixture::writeFile(dir, QStringLiteral("r.hy3"), badName), &undecodable),
              LoadResult::Loaded);
    EXPECT_EQ(undecodable, std::vector<int>{1});
    EXPECT_EQ(DataIo::nStoredRows, 3);
    EXPECT_EQ(DataIo::FareTable[1].Chimei, QStringLiteral("〓 留所1"));
    EXPECT_EQ(DataIo::FareTable[3].Chimei, QStringLiteral("停留所3"));
    EXPECT_EQ(DataIo::FareTable[1].Fare[0], 1011);

    ASSERT_EQ(DataIo::LoadFareFile(RouteFixture::writeFile(dir, QStringLiteral("r.hy3"), Hy3File::write(RouteFixture::route(2))),
                                   &undecodable),
              LoadResult::Loaded);
    EXPECT_TRUE(undecodable.empty());
}

TEST_F(LoadFare, RefusedFilesKeepTheRowOnShow)
{
    ASSERT_EQ(load(Hy3File::write(RouteFixture::route(5)), 4), LoadResult::Loaded);
    QByteArray shortFile = Hy3File::write(RouteFixture::route(3));
    shortFile.chop(1);
    const std::pair<QByteArray, int> cases[] = {
        {QByteArray(2, '\0'), 1},                        // N = 0
        {QByteArray::fromHex("fdff"), 1},                 // N = -3
        {Hy3File::write(RouteFixture::route(2)), 2},      // section N
        {Hy3File::write(RouteFixture::route(302)), 1},    // more rows than the table
        {shortFile, 1},
    };
    for (const auto& [bytes, section] : cases) {
        try {
            EXPECT_NE(load(bytes, section), LoadResult::Loaded) << bytes.size();
        } catch (const AppError&) {
        }
        EXPECT_EQ(DataIo::nCurIndex, 3) << bytes.size();
        EXPECT_EQ(DataIo::nStoredRows, 5) << bytes.size();
        EXPECT_EQ(DataIo::CurrentRow().Chimei, "停留所4") << bytes.size();
    }
}

// Rows stored, the row index before the step, the direction, and the index
// after it (the same index: nothing moved).
struct StepCase
{
    int stored;
    int from;
    int direction;
    int to;
};

TEST(Stepping, StaysWithinTheRowsStored)
{
    const StepCase cases[] = {
        {5, 2, -1, 1}, {5, 2, 1, 3}, {5, 0, -1, 0}, {5, 4, 1, 4},
        {1, 0, -1, 0}, {1, 0, 1, 0}, {0, 0, -1, 0}, {0, 0, 1, 0},
        {301, 299, 1, 300}, {301, 300, 1, 300},
        // a row index beyond the rows stored comes back onto them
        {3, 7, -1, 2}, {3, 7, 1, 7},
    };
    for (const StepCase& c : cases) {
        DataIo::nStoredRows = c.stored;
        DataIo::nDataCount = -1; // a refused file's count plays no part
        DataIo::nCurIndex = static_cast<std::int16_t>(c.from);
        EXPECT_EQ(DataIo::Step(c.direction), c.to != c.from) << c.stored << " " << c.from << " " << c.direction;
        EXPECT_EQ(DataIo::nCurIndex, c.to) << c.stored << " " << c.from << " " << c.direction;
    }
    RouteFixture::resetRouteState();
}

TEST(Stepping, OnlyStoredRowsAreRead)
{
    RouteFixture::resetRouteState();
    EXPECT_TRUE(DataIo::Row(1).Chimei.isEmpty()) << "before any route row 1 is the empty row";
    DataIo::SetFareCell(3, 1, QStringLiteral("三"));
    DataIo::nStoredRows = 3;
    EXPECT_EQ(DataIo::Row(3).Chimei, "三");
    for (int row : {0, -1, 4, 302, -32767}) {
        try {
            DataIo::Row(row);
            ADD_FAILURE() << "row " << row << " was read";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), ErrNo::SubscriptOutOfRange) << row;
        }
    }
    RouteFixture::resetRouteState();
}

TEST_F(LoadFare, TheLongestRouteFits)
{
    ASSERT_EQ(load(Hy3File::write(RouteFixture::route(301)), 300), LoadResult::Loaded);
    EXPECT_EQ(DataIo::nStoredRows, 301);
    EXPECT_EQ(DataIo::FareTable[301].Chimei, "停留所301");
    EXPECT_EQ(DataIo::nCurIndex, 299);
}

} // namespace
