#include <MirvRes.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <sys/utsname.h>

namespace {

TEST(LenB, CountsBytesNotCharacters)
{
    EXPECT_EQ(LenB_ASCII(nullptr), 0);
    EXPECT_EQ(LenB_ASCII(""), 0);
    EXPECT_EQ(LenB_ASCII("abc"), 3);
    EXPECT_EQ(LenB_ASCII("\x8C\x6E\x93\x9D" "A"), 5);
}

TEST(MidB, CutsByBytePositionInPlace)
{
    // "A系統Z": the pieces may split a double-byte character.
    const char* const source = "A\x8C\x6E\x93\x9DZ";
    const struct { std::int32_t start, length; const char* piece; } cases[] = {
        {1, 6, "A\x8C\x6E\x93\x9DZ"}, {2, 2, "\x8C\x6E"}, {3, 1, "\x6E"}, {3, 2, "\x6E\x93"},
        {6, 1, "Z"}, {5, INT32_MAX, "\x9DZ"}, {0, 1, "A"}, {INT32_MIN, 2, "A\x8C"},
        {7, 1, ""}, {INT32_MAX, 1, ""}, {1, 0, ""}, {1, INT32_MIN, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << "," << c.length);
        char buffer[16];
        std::strcpy(buffer, source);
        const std::int32_t n = MidB_ASCII(buffer, c.start, c.length);
        EXPECT_EQ(n, static_cast<std::int32_t>(std::strlen(c.piece)));
        EXPECT_EQ(std::string(buffer), std::string(c.piece));
    }
    EXPECT_EQ(MidB_ASCII(nullptr, 1, 1), 0);
}

TEST(ByteString, GetOsInfoTruncatesLikeSnprintf)
{
    struct utsname u {};
    ASSERT_EQ(uname(&u), 0);
    const std::string expected = std::string(u.sysname) + " " + u.release;
    const auto full = static_cast<std::int32_t>(expected.size());

    EXPECT_EQ(GetOsInfo(nullptr, 0), full);
    char big[512];
    EXPECT_EQ(GetOsInfo(big, sizeof big), full);
    EXPECT_EQ(std::string(big), expected);

    char small[8];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(GetOsInfo(small, 4), full);
    EXPECT_EQ(std::string(small), expected.substr(0, 3));
    EXPECT_EQ(small[4], 'x'); // nothing past size is written

    char one[2] = {'x', 'x'};
    EXPECT_EQ(GetOsInfo(one, 1), full);
    EXPECT_EQ(one[0], '\0');
    EXPECT_EQ(one[1], 'x');
}

} // namespace
