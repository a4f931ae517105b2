#include <gtest/gtest.h>

#include <set>

#include "platform/KeystrokeSenderPlan.h"

namespace kyq {
namespace {

constexpr unsigned long Tab = 0xff09;
constexpr unsigned long Return = 0xff0d;

TEST(KeysymsForText, PrintableCharactersMapToTheirSymbols)
{
    EXPECT_EQ(KeysymsForText(u"aZ~ ^"), (std::vector<unsigned long>{'a', 'Z', '~', ' ', '^'}));
    // Latin-1 keeps its own symbols, the rest uses the Unicode ones.
    EXPECT_EQ(KeysymsForText(u"ü\u00a0ÿ€中"),
              (std::vector<unsigned long>{0xfc, 0xa0, 0xff, 0x010020ac, 0x01004e2d}));
    EXPECT_EQ(KeysymsForText(u"\U0001F600"), (std::vector<unsigned long>{0x0101f600}));
}

TEST(KeysymsForText, TabAndLineEndsAreKeys)
{
    EXPECT_EQ(KeysymsForText(u"a\tb"), (std::vector<unsigned long>{'a', Tab, 'b'}));
    EXPECT_EQ(KeysymsForText(u"a\r\nb"), (std::vector<unsigned long>{'a', Return, 'b'}));
    EXPECT_EQ(KeysymsForText(u"\r\r\n\n"), (std::vector<unsigned long>{Return, Return, Return}));
    EXPECT_EQ(KeysymsForText(u"\n\r"), (std::vector<unsigned long>{Return, Return}));
}

TEST(KeysymsForText, ControlCodesAreTheirKeysOrCtrlLettersAndTheRestKeepTheirPlace)
{
    constexpr unsigned long BackSpace = 0xff08, Escape = 0xff1b, Delete = 0xffff;
    const std::u16string text = {u'a', 8, 27, 0x7f, 1, 3, 26, 0, 28, 31, 0x85, 0xd800, u'b', 0xdc00};
    EXPECT_EQ(KeysymsForText(text),
              (std::vector<unsigned long>{'a', BackSpace, Escape, Delete, kWithControl | 'a',
                                          kWithControl | 'c', kWithControl | 'z', 0, 0, 0, 0, 0,
                                          'b', 0}));
}

// Symbols >= 0x01000000 have no key in these plans.
bool AsciiOnly(unsigned long keysym)
{
    return keysym < 0x100;
}

TEST(PlanTypingChunks, OneChunkWhileTheMissingSymbolsFit)
{
    const auto keysyms = KeysymsForText(u"中a文中b文");
    const auto chunks = PlanTypingChunks(keysyms, AsciiOnly, 2);
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0].begin, 0u);
    EXPECT_EQ(chunks[0].end, keysyms.size());
    EXPECT_EQ(chunks[0].spareKeysyms, (std::vector<unsigned long>{0x01004e2d, 0x01006587}));
}

TEST(PlanTypingChunks, CutsBeforeTheFirstSymbolThatDoesNotFit)
{
    const auto keysyms = KeysymsForText(u"一x二一三y二");
    const auto chunks = PlanTypingChunks(keysyms, AsciiOnly, 2);
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks[0].begin, 0u);
    EXPECT_EQ(chunks[0].end, 4u);  // 一 x 二 一
    EXPECT_EQ(chunks[1].begin, 4u);
    EXPECT_EQ(chunks[1].end, 7u);  // 三 y 二
    EXPECT_EQ(chunks[1].spareKeysyms, (std::vector<unsigned long>{0x01004e09, 0x01004e8c}));
}

TEST(PlanTypingChunks, ChunksCoverEverythingInOrderWithinTheLimit)
{
    std::u16string text;
    for (int i = 0; i < 300; ++i) {
        text.push_back(static_cast<char16_t>(u'一' + (i * 37) % 101));
        if (i % 3 == 0)
            text.push_back(u'a');
    }
    const auto keysyms = KeysymsForText(text);
    const auto chunks = PlanTypingChunks(keysyms, AsciiOnly, 19);
    size_t next = 0;
    for (const TypingChunk& chunk : chunks) {
        EXPECT_EQ(chunk.begin, next);
        EXPECT_LT(chunk.begin, chunk.end);
        EXPECT_LE(chunk.spareKeysyms.size(), 19u);
        std::set<unsigned long> needed;
        for (size_t i = chunk.begin; i < chunk.end; ++i) {
            if (!AsciiOnly(keysyms[i]))
                needed.insert(keysyms[i]);
        }
        EXPECT_EQ(needed, std::set<unsigned long>(chunk.spareKeysyms.begin(), chunk.spareKeysyms.end()));
        next = chunk.end;
    }
    EXPECT_EQ(next, keysyms.size());
    // Greedy: every chunk but the last is full.
    for (size_t c = 0; c + 1 < chunks.size(); ++c)
        EXPECT_EQ(chunks[c].spareKeysyms.size(), 19u);
}

TEST(PlanTypingChunks, NothingToMapWithoutSpareKeycodesOrMissingSymbols)
{
    EXPECT_TRUE(PlanTypingChunks({}, AsciiOnly, 19).empty());
    const auto keysyms = KeysymsForText(u"中文abc");
    const auto none = PlanTypingChunks(keysyms, AsciiOnly, 0);
    ASSERT_EQ(none.size(), 1u);
    EXPECT_TRUE(none[0].spareKeysyms.empty());
    EXPECT_EQ(none[0].end, keysyms.size());
    const auto untypable = PlanTypingChunks(std::vector<unsigned long>{0, 'a', 0}, AsciiOnly, 1);
    ASSERT_EQ(untypable.size(), 1u);
    EXPECT_TRUE(untypable[0].spareKeysyms.empty());
}

}  // namespace
}  // namespace kyq
