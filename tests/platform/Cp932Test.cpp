#include "platform/AppError.h"
#include "platform/Cp932.h"

#include <gtest/gtest.h>

namespace {

const QString kEmoji = QString::fromUtf8("\xF0\x9F\x98\x80");

TEST(Cp932, EncodesAndDecodesMicrosoftTable)
{
    // Characters where Microsoft's table differs from plain Shift-JIS, and the
    // single-byte ranges around them.
    const struct { QString text; QByteArray bytes; } cases[] = {
        {QStringLiteral("AZ\\~09"), "AZ\\~09"},
        {QString(), QByteArray()},
        {QStringLiteral("～"), "\x81\x60"},
        {QStringLiteral("①"), "\x87\x40"},
        {QString(QChar(0xFF0D)), "\x81\x7C"},
        {QStringLiteral("系統"), "\x8C\x6E\x93\x9D"},
        {QStringLiteral("ｱ系1"), "\xB1\x8C\x6E" "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(Cp932::encode(c.text), c.bytes);
        EXPECT_EQ(Cp932::decode(c.bytes), c.text);
    }
    EXPECT_EQ(Cp932::encode(QString(QChar(0x301C))), QByteArray("\x81\x60"));
}

TEST(Cp932, UnencodableCharacterReportedByIndex)
{
    const struct { QString text; qsizetype index; } cases[] = {
        {QStringLiteral("ab") + kEmoji, 2},
        {QString::fromUtf8("\xF0\xA0\xAE\xB7x"), 0},
        {QStringLiteral("系統é"), 2},
        {QStringLiteral("aé") + kEmoji, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        qsizetype bad = -1;
        EXPECT_EQ(Cp932::encode(c.text, &bad), std::nullopt);
        EXPECT_EQ(bad, c.index);
    }
}

TEST(Cp932, EncodeOrThrowNamesWholeCharacter)
{
    const struct { QString text; QString ch; QString code; } cases[] = {
        {QStringLiteral("系") + kEmoji, kEmoji, QStringLiteral("U+1F600")},
        {QStringLiteral("é"), QStringLiteral("é"), QStringLiteral("U+00E9")},
    };
    for (const auto& c : cases) {
        try {
            Cp932::encodeOrThrow(c.text);
            ADD_FAILURE() << "no AppError";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), ErrNo::InvalidCall);
            // The whole surrogate pair, not half of it.
            EXPECT_TRUE(e.description().contains(c.ch) && e.description().contains(c.code)) << e.what();
        }
    }
}

TEST(Cp932, InvalidBytesReportedByOffset)
{
    const struct { QByteArray bytes; qsizetype offset; } cases[] = {
        {"\x82", 0}, {"ab\x82", 2}, {"\x8C\x6E\x93", 2}, {"a\x81\x20z", 1}, {"\x8C\x6E\x85\x40", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.toHex().toStdString());
        qsizetype bad = -1;
        EXPECT_EQ(Cp932::decode(c.bytes, &bad), std::nullopt);
        EXPECT_EQ(bad, c.offset);
        try {
            Cp932::decodeOrThrow(c.bytes);
            ADD_FAILURE() << "no AppError";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), ErrNo::InvalidCall);
            EXPECT_TRUE(e.description().contains(QStringLiteral("%1 バイト目").arg(c.offset + 1))) << e.what();
        }
    }
}

TEST(Cp932, LenientDecodingMarksEachBadSequenceAndKeepsTheRest)
{
    const QString mark(QChar(Cp932::UndecodableMark));
    const struct { QByteArray bytes; QString text; } cases[] = {
        {"\x8C\x6E\x93\x9D", QStringLiteral("系統")},
        {"\x82", mark},                                   // a lead byte at the end
        {"ab\xFF", QStringLiteral("ab") + mark},          // a byte that is never a character
        {"\x88\x9F\x85\x40\x88\x9F", QStringLiteral("亜") + mark + QStringLiteral("亜")}, // an unassigned pair is one mark
        {"a\x81\r\nb", QStringLiteral("a") + mark + QStringLiteral("\r\nb")}, // the line break after it stays
        {"\x81,1", mark + QStringLiteral(",1")},
        {"\x80\xA0\xFD", mark + mark + mark},
        {"\x93\x9D\x82", QStringLiteral("統") + mark},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.toHex().toStdString());
        bool lossy = true;
        EXPECT_EQ(Cp932::decodeLenient(c.bytes, &lossy), c.text);
        EXPECT_EQ(lossy, !Cp932::decode(c.bytes).has_value());
    }
}

TEST(Cp932, FailureLeavesNoStateForNextCall)
{
    // The converters are reused, so a truncated lead byte must not leak into the next text.
    EXPECT_EQ(Cp932::decode("\x82"), std::nullopt);
    EXPECT_EQ(Cp932::decode("\x82\xA0"), QStringLiteral("あ"));
    EXPECT_EQ(Cp932::encode(QStringLiteral("é")), std::nullopt);
    EXPECT_EQ(Cp932::encode(QStringLiteral("あ")), QByteArray("\x82\xA0"));
}

TEST(Cp932, LeadBytesAgreeWithDecoder)
{
    for (int b = 0; b < 256; ++b) {
        const QByteArray alone(1, char(b));
        const auto withTrail = Cp932::decode(alone + '@');
        if (Cp932::isLeadByte(static_cast<unsigned char>(b))) {
            qsizetype bad = -1;
            EXPECT_EQ(Cp932::decode(alone, &bad), std::nullopt) << b;
            EXPECT_EQ(bad, 0) << b;
            EXPECT_TRUE(!withTrail || withTrail->size() == 1) << b;
        } else if (withTrail) {
            EXPECT_EQ(withTrail->size(), 2) << b;
        }
    }
}

TEST(Cp932AppError, CarriesNumberAndDescription)
{
    const AppError custom(53, QStringLiteral("路線.dat がありません"));
    EXPECT_EQ(custom.number(), 53);
    const QString what = QString::fromUtf8(custom.what());
    EXPECT_TRUE(what.contains(QStringLiteral("53")) && what.contains(custom.description())) << custom.what();

    EXPECT_EQ(AppError(ErrNo::OutOfMemory).description(), AppError::standardDescription(ErrNo::OutOfMemory));
    // Unknown numbers share one generic text; known ones each have their own.
    EXPECT_EQ(AppError::standardDescription(12345), AppError::standardDescription(999));
    EXPECT_NE(AppError::standardDescription(ErrNo::FileNotFound), AppError::standardDescription(12345));
    EXPECT_NE(AppError::standardDescription(ErrNo::FileNotFound), AppError::standardDescription(ErrNo::PathNotFound));
}

} // namespace
