#include "panel/Hy3Layout.h"

#include "panel/Hy3File.h"
#include "platform/AppError.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

// The trailer spelt out byte by byte, so that a mistake shared by reader and
// writer cannot go unnoticed.
QByteArray trailerBytes(int version, int tickets)
{
    QByteArray b("HY3BOARD");
    for (int v : {version, tickets}) {
        b.append(static_cast<char>(v & 0xFF));
        b.append(static_cast<char>((v >> 8) & 0xFF));
    }
    return b;
}

QByteArray twoStops()
{
    std::vector<Hy3File::Record> records(2);
    records[0].Chimei = QStringLiteral("中央駅");
    records[0].SeiriNum = 1;
    records[0].Fare[0] = 170;
    records[1].Chimei = QStringLiteral("東山");
    records[1].SeiriNum = 40;
    records[1].Fare[39] = 800;
    return Hy3File::write(records);
}

// The layout the bytes after the records state, or the error's description.
struct Outcome
{
    BoardLayout layout = BoardLayout::Tickets12;
    QString refusal;
};

Outcome readAfterRecords(const QByteArray& tail)
{
    QByteArray bytes = twoStops() + tail;
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    Hy3File::readRecords(file, Hy3File::readCount(file));
    Outcome out;
    try {
        out.layout = Hy3Layout::read(file);
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), ErrNo::InvalidCall);
        out.refusal = e.description();
    }
    return out;
}

TEST(Hy3Layout, TheTrailerIsTwelveBytesAfterTheRecords)
{
    EXPECT_EQ(Hy3Layout::trailer(BoardLayout::Tickets36), trailerBytes(1, 36));
    EXPECT_TRUE(Hy3Layout::trailer(BoardLayout::Tickets12).isEmpty());
    EXPECT_EQ(readAfterRecords(trailerBytes(1, 36)).layout, BoardLayout::Tickets36);
}

TEST(Hy3Layout, BytesThatAreNotATrailerLeaveTheFileTwelveTickets)
{
    const QByteArray tails[] = {
        {},
        QByteArray("junk"),
        QByteArray("HY3BOA"),        // shorter than the signature: not one
        QByteArray("hy3board\x01\x00\x24\x00", 12),
        QByteArray("XHY3BOARD\x01\x00\x24\x00", 13),
        QByteArray(300, '\xFF'),
        twoStops(),                  // a whole second file
    };
    for (const QByteArray& tail : tails) {
        const Outcome out = readAfterRecords(tail);
        EXPECT_EQ(out.layout, BoardLayout::Tickets12) << tail.toHex().toStdString();
        EXPECT_TRUE(out.refusal.isEmpty()) << out.refusal.toStdString();
    }
}

TEST(Hy3Layout, AMalformedTrailerIsRefusedSayingWhy)
{
    const struct
    {
        QByteArray tail;
        const char* says;
    } cases[] = {
        {QByteArray("HY3BOARD"), "8 バイトで終わっています"},
        {trailerBytes(1, 36).chopped(1), "11 バイトで終わっています"},
        {trailerBytes(1, 36) + '\0', "指定の後にまだバイトがあります"},
        {trailerBytes(1, 36) + trailerBytes(1, 36), "指定の後にまだバイトがあります"},
        {trailerBytes(2, 36), "版 2 は読めません"},
        {trailerBytes(0, 36), "版 0 は読めません"},
        {trailerBytes(1, 12), "整理券 12 番まで"},
        {trailerBytes(1, 0xFFFF), "整理券 65535 番まで"},
    };
    for (const auto& c : cases) {
        const Outcome out = readAfterRecords(c.tail);
        EXPECT_TRUE(out.refusal.contains(QStringLiteral("HY3BOARD"))) << out.refusal.toStdString();
        EXPECT_TRUE(out.refusal.contains(QString::fromUtf8(c.says))) << out.refusal.toStdString();
    }
}

TEST(Hy3Layout, AReaderOfTheRecordsAloneNeverSeesTheTrailer)
{
    QByteArray bytes = twoStops() + Hy3Layout::trailer(BoardLayout::Tickets36);
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    const auto records = Hy3File::readRecords(file, Hy3File::readCount(file));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].Chimei, QStringLiteral("東山"));
    EXPECT_EQ(records[1].Fare[39], 800);
    EXPECT_EQ(file.pos(), twoStops().size()) << "the records end where the trailer starts";
}

} // namespace
