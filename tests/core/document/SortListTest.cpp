#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/document/SortList.h"
#include "core/document/TitleCollator.h"

namespace kyq {
namespace {

std::vector<std::u16string> Contents(const SortList& list)
{
    std::vector<std::u16string> out;
    for (size_t i = 0; i < list.size(); ++i)
        out.push_back(list.At(i));
    return out;
}

std::vector<std::u16string> Ordered(std::vector<std::u16string> titles)
{
    std::stable_sort(titles.begin(), titles.end(), [](const std::u16string& a, const std::u16string& b) {
        return TitleCollator::Compare(a, b) < 0;
    });
    return titles;
}

// Letters in both cases, digits, punctuation and Chinese, with repeats and case twins.
std::vector<std::u16string> Titles(size_t count, unsigned seed)
{
    static const std::u16string pool = u"aAbBzZ09_-. 银行邮箱中国工商";
    std::mt19937 random(seed);
    std::vector<std::u16string> out;
    for (size_t i = 0; i < count; ++i) {
        std::u16string t;
        const size_t length = 1 + random() % 4;
        for (size_t k = 0; k < length; ++k)
            t += pool[random() % pool.size()];
        out.push_back(t);
    }
    out.push_back(u"Mail");
    out.push_back(u"mail");
    out.push_back(u"MAIL");
    out.push_back(u"mail");
    return out;
}

TEST(SortList, AnyArrivalOrderGivesTheCollationOrder)
{
    for (unsigned seed = 1; seed <= 5; ++seed) {
        const std::vector<std::u16string> titles = Titles(300, seed);
        SortList shuffled;
        for (const auto& t : titles)
            shuffled.Add(t);
        EXPECT_EQ(Contents(shuffled), Ordered(titles)) << seed;
    }
}

TEST(SortList, LateTitlesOnTopOfAnOrderedLoad)
{
    // A file read in order, then edits: a few late titles (placed one by one) and many
    // (sorted by key) must both land where a full sort puts them.
    for (size_t late : {1u, 2u, 16u, 17u, 200u}) {
        std::vector<std::u16string> titles = Titles(400, 7);
        const std::vector<std::u16string> extra(titles.end() - static_cast<std::ptrdiff_t>(late), titles.end());
        titles.resize(titles.size() - late);
        SortList list;
        for (const auto& t : Ordered(titles))
            list.Add(t);
        for (const auto& t : extra)
            list.Add(t);
        titles.insert(titles.end(), extra.begin(), extra.end());
        EXPECT_EQ(Contents(list), Ordered(titles)) << late;
    }
}

TEST(SortList, LatinTitlesComeBeforeChineseOnesInPinyinOrder)
{
    SortList list;
    for (const char16_t* t : {u"工商银行", u"Alpha", u"北京", u"charlie"})
        list.Add(t);
    EXPECT_EQ(Contents(list), (std::vector<std::u16string>{u"Alpha", u"charlie", u"北京", u"工商银行"}));

    // Digits and punctuation stay in front of both scripts; letter case does not count.
    SortList mixed;
    for (const char16_t* t : {u"银行", u"bank", u"2fa", u"Bank2", u"(old)", u"Zeta", u"阿里"})
        mixed.Add(t);
    const std::vector<std::u16string> got = Contents(mixed);
    const auto at = [&](const char16_t* t) { return std::find(got.begin(), got.end(), t) - got.begin(); };
    EXPECT_LT(at(u"(old)"), at(u"bank"));
    EXPECT_LT(at(u"2fa"), at(u"bank"));
    EXPECT_LT(at(u"bank"), at(u"Bank2"));
    EXPECT_LT(at(u"Bank2"), at(u"Zeta"));
    EXPECT_LT(at(u"Zeta"), at(u"阿里"));  // a (阿) is the first pinyin, still after every Latin title
    EXPECT_LT(at(u"阿里"), at(u"银行"));
}

TEST(TitleCollator, KeysOrderExactlyLikeTheComparison)
{
    // The bulk path sorts by key and merges by comparison; both must agree everywhere,
    // across scripts, case twins and shared prefixes.
    std::vector<std::u16string> titles = Titles(500, 11);
    for (const char16_t* t : {u"Mail银行", u"mail银行", u"Mail", u"银行Mail", u"银行mail", u"银", u"9", u"_"})
        titles.push_back(t);
    const std::vector<std::u16string> ordered = Ordered(titles);
    for (size_t i = 1; i < ordered.size(); ++i) {
        const std::string a = TitleCollator::SortKey(ordered[i - 1]);
        const std::string b = TitleCollator::SortKey(ordered[i]);
        ASSERT_TRUE(a < b || (a == b && ordered[i - 1] <= ordered[i]))
            << i << ": keys disagree with the comparison";
    }
}

TEST(SortList, AnOrderedLoadWithStragglersAnywhere)
{
    // A saved file comes in order, but one written under another collation, or edited
    // outside, may not: a title far out of place after many in order, a late one at the
    // very end, one that belongs last arriving first, a run in reverse.
    std::vector<std::u16string> titles = Titles(2000, 3);
    const std::vector<std::u16string> sorted = Ordered(titles);
    auto arrive = [&](std::vector<std::u16string> order) {
        SortList list;
        for (const auto& t : order)
            list.Add(t);
        return Contents(list);
    };

    std::vector<std::u16string> lateFront = sorted;
    std::rotate(lateFront.begin(), lateFront.begin() + 1, lateFront.begin() + 1500);  // first title arrives 1500th
    EXPECT_EQ(arrive(lateFront), sorted);

    std::vector<std::u16string> lastFirst = sorted;
    std::rotate(lastFirst.begin(), lastFirst.end() - 1, lastFirst.end());
    EXPECT_EQ(arrive(lastFirst), sorted);

    std::vector<std::u16string> everyFiftieth = sorted;
    for (size_t i = 0; i + 50 < everyFiftieth.size(); i += 50)
        std::swap(everyFiftieth[i], everyFiftieth[i + 25]);
    EXPECT_EQ(arrive(everyFiftieth), sorted);

    std::vector<std::u16string> reversedRun = sorted;
    std::reverse(reversedRun.begin() + 700, reversedRun.begin() + 760);
    EXPECT_EQ(arrive(reversedRun), sorted);

    // Many late titles that share long beginnings.
    std::vector<std::u16string> shared;
    for (int i = 0; i < 300; ++i)
        shared.push_back(u"同一个很长的开头 the same long start " + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) +
                         (i % 2 ? u"X" : u"x") + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)));
    const std::vector<std::u16string> sharedSorted = Ordered(shared);
    EXPECT_EQ(arrive(std::vector<std::u16string>(sharedSorted.rbegin(), sharedSorted.rend())), sharedSorted);

    // An index read before the last titles arrived: what came before stays checked.
    ASSERT_EQ(sorted.size() % 2, 0u);
    const size_t half = sorted.size() / 2;
    SortList list;
    for (size_t i = 0; i < half; ++i)
        list.Add(sorted[i * 2]);
    EXPECT_EQ(list.At(0), sorted[0]);
    for (size_t i = 0; i < half; ++i)
        list.Add(sorted[i * 2 + 1]);
    EXPECT_EQ(Contents(list), sorted);
}

TEST(SortList, EqualTitlesAreAllKept)
{
    SortList list;
    for (const char16_t* t : {u"b", u"a", u"b", u"A", u"a", u"b"})
        list.Add(t);
    EXPECT_EQ(Contents(list), (std::vector<std::u16string>{u"A", u"a", u"a", u"b", u"b", u"b"}));
    list.RemoveAt(1);
    EXPECT_EQ(Contents(list), (std::vector<std::u16string>{u"A", u"a", u"b", u"b", u"b"}));
}

TEST(SortList, ViewsAndStringsAgreeThroughLongRunsOfEdits)
{
    // Edits remove titles and add others for a long time: what the list shows, as views
    // or strings, must stay exactly the titles a plain sorted list would hold.
    std::vector<std::u16string> model = Titles(1500, 5);
    SortList list;
    for (const auto& t : model)
        list.Add(t);
    model = Ordered(model);
    std::mt19937 random(9);
    for (int round = 0; round < 3000; ++round) {
        const size_t line = random() % model.size();
        if (round % 3 == 0) {
            EXPECT_EQ(list.At(line), model[line]);  // some titles get strings of their own
        }
        list.RemoveAt(line);
        model.erase(model.begin() + static_cast<std::ptrdiff_t>(line));
        std::u16string added = u"新" + std::u16string(1 + random() % 30, static_cast<char16_t>(u'a' + round % 26));
        list.Add(added);
        model.insert(std::upper_bound(model.begin(), model.end(), added,
                                      [](const std::u16string& a, const std::u16string& b) {
                                          return TitleCollator::Compare(a, b) < 0;
                                      }),
                     added);
        if (round % 500 == 0) {
            const SortList copy = list;  // the undo snapshot
            ASSERT_EQ(Contents(copy), model) << round;
        }
    }
    ASSERT_EQ(list.size(), model.size());
    for (size_t i = 0; i < model.size(); ++i)
        ASSERT_EQ(list.View(i), model[i]) << i;
    EXPECT_EQ(Contents(list), model);

    // A string handed out stays what it was while other lines get theirs.
    const std::u16string& first = list.At(0);
    const std::u16string copyOfFirst = first;
    for (size_t i = 1; i < list.size(); ++i)
        list.At(i);
    EXPECT_EQ(first, copyOfFirst);
}

TEST(SortList, RemoveThenAddKeepsOrder)
{
    SortList list;
    for (const char16_t* t : {u"d", u"b", u"a", u"c"})
        list.Add(t);
    list.RemoveAt(1);  // "b"
    EXPECT_EQ(Contents(list), (std::vector<std::u16string>{u"a", u"c", u"d"}));
    list.Add(u"B");
    list.Add(u"e");
    EXPECT_EQ(Contents(list), (std::vector<std::u16string>{u"a", u"B", u"c", u"d", u"e"}));
    EXPECT_THROW(list.RemoveAt(5), std::out_of_range);

    SortList copy = list;  // the undo snapshot copies the index
    copy.Add(u"0");
    EXPECT_EQ(copy.At(0), u"0");
    EXPECT_EQ(list.At(0), u"a");
    list.Clear();
    EXPECT_TRUE(list.empty());
    list.Add(u"x");
    EXPECT_EQ(list.At(0), u"x");
}

}  // namespace
}  // namespace kyq
