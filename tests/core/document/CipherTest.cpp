#include <gtest/gtest.h>

#include <set>

#include "core/document/Cipher.h"
#include "platform/CodePage936.h"
#include "support/DocumentTestSupport.h"
#include "support/RecordCoding.h"

namespace kyq {
namespace {

int16_t Code(char16_t ch)
{
    return CodePage936::ToCode(ch);
}

TEST(RecordCipher, LowersEveryCodeBy14AndReversesOnlyThePassword)
{
    const PasswordEntry record = test::Record(u"Ab", u"中x", u"p1啊", 1999, 12, 31);
    const CodedRecord coded = test::EncipherRecord(record);
    EXPECT_EQ(coded.Title, (CodeText{65 - 14, 98 - 14}));
    EXPECT_EQ(coded.UserName, (CodeText{static_cast<int16_t>(Code(u'中') - 14), 120 - 14}));
    EXPECT_EQ(coded.Password, (CodeText{static_cast<int16_t>(Code(u'啊') - 14), 49 - 14, 112 - 14}));
    EXPECT_EQ(coded.ChangedYear, 1999);
    EXPECT_EQ(coded.ChangedMonth, 12);
    EXPECT_EQ(coded.ChangedDay, 31);
    EXPECT_EQ(DecipherRecord(coded), record);
}

TEST(RecordCipher, SmallCodesWrapBelowZeroAndBack)
{
    // Code 5 enciphers to -9, code 14 to 0 (why 14 cannot be in an owner name).
    EXPECT_EQ(EncipherText(u"\x05\x0E"), (CodeText{-9, 0}));
    EXPECT_EQ(DecipherText(CodeText{-9, 0}), u"\x05\x0E");
    // A code whose raise leaves the 16-bit range wraps instead of overflowing.
    EXPECT_EQ(DecipherText(CodeText{32760}), std::u16string(1, CodePage936::FromCode(-32762)));
}

TEST(RecordCipher, EveryCodeSurvivesDecipherAndEncipher)
{
    for (int value = -32768; value < 32768; ++value) {
        const CodeText codes{static_cast<int16_t>(value)};
        const std::u16string text = DecipherText(codes);
        if (text[0] == CodePage936::Replacement)
            continue;  // no character: a wrong password or a damaged file
        ASSERT_EQ(EncipherText(text), codes) << value;
    }
}

TEST(PasswordKeyXor, PositionsCycleThroughTheKeyAndRestartPerText)
{
    const CodeText key = PasswordKey(u"ab中");
    ASSERT_EQ(key, (CodeText{97, 98, Code(u'中')}));
    CodeText text{1, 2, 3, 4, 5};
    test::ApplyPasswordKey(text, key);
    EXPECT_EQ(text, (CodeText{static_cast<int16_t>(1 ^ 97), static_cast<int16_t>(2 ^ 98),
                              static_cast<int16_t>(3 ^ Code(u'中')), static_cast<int16_t>(4 ^ 97),
                              static_cast<int16_t>(5 ^ 98)}));
    CodeText next{1};
    test::ApplyPasswordKey(next, key);
    EXPECT_EQ(next, (CodeText{static_cast<int16_t>(1 ^ 97)}));
    test::ApplyPasswordKey(text, key);
    EXPECT_EQ(text, (CodeText{1, 2, 3, 4, 5}));

    CodeText unkeyed{7, 8};
    test::ApplyPasswordKey(unkeyed, CodeText{});
    EXPECT_EQ(unkeyed, (CodeText{7, 8}));
}

// The key follows the password's length; when a product or sum leaves 16 bits the key
// the caller gave is kept.
TEST(LegacyKey, FollowsThePasswordLengthAndKeepsTheGivenKeyOnOverflow)
{
    struct Case {
        std::u16string password;
        int32_t given;
        int32_t expected;
    };
    const Case cases[] = {
        {u"z", 0, 49},  // "1", the length's text, not "z"
        {u"中", 0, 49},
        {u"ab", 0, 97 * 98},
        {u"abc", 0, 97 * (98 + 99)},
        {u"abcd", 0, (97 + 98) * ((99 + 100) / 2)},
        // Longer: t = c3, then t = (t + ck) / 2 for every further character.
        {u"abcdef", 0, (97 + 98) * ((((99 + 100) / 2 + 101) / 2 + 102) / 2)},
        // The halving truncates toward zero, also for negative sums: (-20319 + 98) / 2 = -10110.
        {u"ab啊b", 0, (97 + 98) * -10110},
        // 啊 * 啊 and 啊 + 啊 leave 16 bits.
        {u"啊啊", 0, 0},
        {u"啊啊", 1234, 1234},
        {u"a啊啊", 77, 77},
        {u"啊啊ab", 5, 5},
        {u"ab啊啊", 6, 6},
        {u"", 9, 9},
        // ASCII passwords never overflow: the largest three-character product still fits.
        {u"\x7F\x7F\x7F", 3, 127 * 254},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.password));
        EXPECT_EQ(DeriveLegacyKey(c.password, c.given), c.expected);
    }
}

}  // namespace
}  // namespace kyq
