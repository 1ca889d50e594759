#include "panel/Hy3File.h"
#include "platform/AppError.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace {

// Files are built byte by byte here rather than with Hy3File::write, so that a
// layout mistake shared by reader and writer cannot go unnoticed.
QByteArray le16(int v)
{
    const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
    return QByteArray(b, 2);
}

// Values are 1…150 except the first and the last.
QByteArray recordBytes(const QByteArray& name, int seiri, int firstFare = 0, int lastFare = 0)
{
    QByteArray b = le16(static_cast<int>(name.size())) + name + le16(seiri);
    for (int k = 1; k <= Hy3File::FareCount; ++k)
        b += le16(k == 1 ? firstFare : k == Hy3File::FareCount ? lastFare : k);
    return b;
}

const QByteArray kChuoEki("\x92\x86\x89\x9B\x89\x77"); // 中央駅

QByteArray threeRecords()
{
    return le16(3) + recordBytes(kChuoEki, 1, 170, -1) + recordBytes({}, 2, -32768, 32767)
        + recordBytes("\xCA\xDE\xBD", 3);
}

struct Opened
{
    explicit Opened(QByteArray bytes, bool skipCount = false)
        : data(std::move(bytes))
        , buffer(&data)
    {
        buffer.open(QIODevice::ReadOnly);
        buffer.seek(skipCount ? 2 : 0);
    }
    QByteArray data;
    QBuffer buffer;
};

// The error number, 0 when f succeeds; *description gets the text.
int errorOf(const std::function<void()>& f, QString* description = nullptr)
{
    try {
        f();
    } catch (const AppError& e) {
        if (description)
            *description = e.description();
        return e.number();
    }
    return 0;
}

TEST(Hy3File, ReadCountNeedsTwoBytes)
{
    const struct { QByteArray bytes; int error; int count; } cases[] = {
        {{}, ErrNo::InputPastEnd, 0},
        {QByteArray("\x05", 1), ErrNo::InputPastEnd, 0},
        {QByteArray("\x2D\x01\xFF", 3), 0, 301},
        {QByteArray("\xFF\xFF", 2), 0, -1},
        {QByteArray("\x00\x80", 2), 0, -32768},
    };
    for (const auto& c : cases) {
        Opened f(c.bytes);
        std::int16_t n = 0;
        EXPECT_EQ(errorOf([&] { n = Hy3File::readCount(f.buffer); }), c.error) << c.bytes.toHex().toStdString();
        EXPECT_EQ(n, c.count);
    }
}

TEST(Hy3File, ReadsExactlyTheRecordsAsked)
{
    // Whatever follows the last record, even a whole further one, is left.
    for (const QByteArray& tail : {QByteArray(), QByteArray("\xFF"), recordBytes("\x80\x80", 9)}) {
        Opened f(threeRecords() + tail, true);
        const auto recs = Hy3File::readRecords(f.buffer, 3);
        EXPECT_EQ(f.buffer.pos(), threeRecords().size());
        ASSERT_EQ(recs.size(), 3u);
        EXPECT_EQ(recs[0].Chimei, QStringLiteral("中央駅"));
        EXPECT_EQ(recs[0].SeiriNum, 1);
        EXPECT_EQ(recs[0].Fare[0], 170);
        EXPECT_EQ(recs[0].Fare[1], 2);
        EXPECT_EQ(recs[0].Fare[149], -1);
        EXPECT_EQ(recs[1].Chimei, QString());
        EXPECT_EQ(recs[1].Fare[0], -32768);
        EXPECT_EQ(recs[1].Fare[149], 32767);
        EXPECT_EQ(recs[2].Chimei, QStringLiteral("ﾊﾞｽ"));
        EXPECT_EQ(recs[2].SeiriNum, 3);
    }
    Opened f(threeRecords(), true);
    EXPECT_EQ(Hy3File::readRecords(f.buffer, 2).size(), 2u);
    EXPECT_EQ(f.buffer.pos(), 2 + (304 + 6) + 304);
    for (int count : {0, -1, -32768}) {
        EXPECT_TRUE(Hy3File::readRecords(f.buffer, count).empty());
        EXPECT_EQ(f.buffer.pos(), 2 + (304 + 6) + 304);
    }
}

TEST(Hy3File, FileEndingBeforeTheRecordsIsError62)
{
    // Every cut inside the records: in a length, a name, the ticket number or
    // the values, of the first, a middle or the last record.
    const QByteArray whole = threeRecords();
    for (qsizetype cut = 2; cut < whole.size(); ++cut) {
        Opened f(whole.left(cut), true);
        EXPECT_EQ(errorOf([&] { Hy3File::readRecords(f.buffer, 3); }), ErrNo::InputPastEnd) << cut;
    }
    Opened more(whole, true);
    EXPECT_EQ(errorOf([&] { Hy3File::readRecords(more.buffer, 32767); }), ErrNo::InputPastEnd);
    Opened longName(le16(1) + le16(0xFFFF) + QByteArray(400, 'A'), true);
    EXPECT_EQ(errorOf([&] { Hy3File::readRecords(longName.buffer, 1); }), ErrNo::InputPastEnd);
}

TEST(Hy3File, NamesNotCodePage932ReadWithMarksAndAreListed)
{
    const QByteArray bad("\x88\x9F\x85\x40", 4); // 亜 and a pair no character stands for
    Opened f(le16(4) + recordBytes("ok", 1) + recordBytes(bad, 2, 170) + recordBytes("ok", 3) + recordBytes("\xFF", 4), true);
    std::vector<int> undecodable;
    const auto records = Hy3File::readRecords(f.buffer, 4, &undecodable);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(undecodable, (std::vector<int>{2, 4}));
    EXPECT_EQ(records[1].Chimei, QStringLiteral("亜〓"));
    EXPECT_EQ(records[1].SeiriNum, 2);
    EXPECT_EQ(records[1].Fare[0], 170) << "the numbers after the name are read as they are";
    EXPECT_EQ(records[3].Chimei, QStringLiteral("〓"));
    EXPECT_TRUE(f.buffer.atEnd());
}

TEST(Hy3File, WriteGivesTheLayoutAndReadsBack)
{
    std::vector<Hy3File::Record> recs(4);
    recs[0].Chimei = QStringLiteral("中央駅");
    recs[0].SeiriNum = 1;
    for (int k = 0; k < 150; ++k)
        recs[0].Fare[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(k + 1);
    recs[0].Fare[0] = 170;
    recs[0].Fare[149] = -1;
    recs[1].Chimei = QStringLiteral("緑ヶ丘小学校前～①");
    recs[1].SeiriNum = -32768;
    recs[1].Fare.fill(-1);
    recs[2].SeiriNum = 32767;
    recs[2].Fare.fill(32767);
    recs[3].Chimei = QStringLiteral("A,\"B\"");
    recs[3].Fare.fill(-32768);

    const QByteArray bytes = Hy3File::write(recs);
    EXPECT_TRUE(bytes.startsWith(le16(4) + recordBytes(kChuoEki, 1, 170, -1)));
    Opened f(bytes, true);
    const auto back = Hy3File::readRecords(f.buffer, 4);
    EXPECT_TRUE(f.buffer.atEnd());
    ASSERT_EQ(back.size(), recs.size());
    for (std::size_t i = 0; i < recs.size(); ++i) {
        EXPECT_EQ(back[i].Chimei, recs[i].Chimei);
        EXPECT_EQ(back[i].SeiriNum, recs[i].SeiriNum);
        EXPECT_EQ(back[i].Fare, recs[i].Fare) << i;
    }
    EXPECT_EQ(Hy3File::write({}), le16(0));
}

TEST(Hy3File, WriteRefusesWhatTheFileCannotHold)
{
    const auto refusal = [](const std::vector<Hy3File::Record>& recs) {
        QString text;
        EXPECT_EQ(errorOf([&] { Hy3File::write(recs); }, &text), ErrNo::InvalidCall);
        return text;
    };
    std::vector<Hy3File::Record> recs(3);
    for (const QString& bad : {QString::fromUtf8("駅\xF0\x9F\x9A\x8C"), QStringLiteral("café")}) {
        recs[2].Chimei = bad;
        EXPECT_TRUE(refusal(recs).startsWith(QStringLiteral("3 件目")));
    }
    std::vector<Hy3File::Record> longName(1);
    longName[0].Chimei = QString(32768, QChar(0x99C5)); // 駅, two bytes each
    EXPECT_TRUE(refusal(longName).startsWith(QStringLiteral("1 件目")));
    longName[0].Chimei.chop(1);
    EXPECT_EQ(Hy3File::write(longName).size(), 2 + 304 + 65534);
    EXPECT_TRUE(refusal(std::vector<Hy3File::Record>(32768)).contains(QStringLiteral("32767")));
}

TEST(Hy3File, GarbageNeverCrashesOrOverreads)
{
    // Random bytes and damaged copies of a good file: the reader either gives
    // all the records or fails with 62, nothing else.
    std::mt19937 rng(517);
    const QByteArray good = threeRecords();
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes = good.left(std::uniform_int_distribution<qsizetype>(0, good.size())(rng));
        for (int k = 0; k < 4 && !bytes.isEmpty(); ++k)
            bytes[rng() % static_cast<std::uint32_t>(bytes.size())] = static_cast<char>(rng());
        if (round % 2 == 0) {
            bytes.resize(std::uniform_int_distribution<int>(0, 1200)(rng));
            for (char& c : bytes)
                c = static_cast<char>(rng());
            if (bytes.size() >= 2)
                bytes[1] = static_cast<char>(rng() % 2); // counts that reach into the data
        }
        Opened f(bytes);
        const int error = errorOf([&] {
            const int n = Hy3File::readCount(f.buffer);
            EXPECT_EQ(Hy3File::readRecords(f.buffer, n).size(), static_cast<std::size_t>(std::max(n, 0)));
        });
        EXPECT_TRUE(error == 0 || error == ErrNo::InputPastEnd) << error;
    }
}

} // namespace
