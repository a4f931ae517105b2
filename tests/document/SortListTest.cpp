#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "document/SortList.h"
#include "document/TitleCollator.h"

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
