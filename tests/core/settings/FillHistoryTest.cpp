#include "core/settings/FillHistory.h"

#include <gtest/gtest.h>

#include "core/settings/Registry.h"
#include "platform/RegistryTestFolder.h"

namespace kyq {
namespace {

using testing::RegistryTestFolder;
using Items = std::vector<std::u16string>;

constexpr char HistoryKey[] = "Software\\Tarnwick\\KYQ\\History";

FillHistory With(Items items)
{
    FillHistory h;
    h.Assign(std::move(items));
    return h;
}

// A used macro goes first; one equal to it ignoring case (the last such place, if several)
// moves up spelled as now typed. Case folding covers more than ASCII.
TEST(FillHistory, AUsedMacroGoesFirstSpelledAsTyped)
{
    struct Case {
        Items before;
        std::u16string used;
        Items after;
    };
    const Case cases[] = {
        {{}, u"^p^r", {u"^p^r"}},
        {{u"^p^r"}, u"^n^t^p^r", {u"^n^t^p^r", u"^p^r"}},
        {{u"^n^t^p^r", u"^p^r"}, u"", {u"", u"^n^t^p^r", u"^p^r"}},  // remembered like any other
        {{u"a", u"b", u"^p^r", u"c"}, u"^P^R", {u"^P^R", u"a", u"b", u"c"}},
        {{u"^P^R", u"a", u"b", u"c"}, u"^P^R", {u"^P^R", u"a", u"b", u"c"}},
        {{u"^P^R", u"a", u"b", u"c"}, u"C", {u"C", u"^P^R", u"a", u"b"}},
        {{u"x", u"ΣΑ"}, u"σα", {u"σα", u"x"}},
        {{u"x", u"y", u"X", u"z"}, u"x", {u"x", u"x", u"y", u"z"}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        FillHistory h = With(cases[i].before);
        h.Update(cases[i].used);
        EXPECT_EQ(h.Items(), cases[i].after) << "row " << i;
    }
}

TEST(FillHistory, TheListHoldsTenAndDropsTheOldest)
{
    FillHistory h;
    for (int i = 1; i <= 11; ++i)
        h.Update(u"m" + std::u16string(1, static_cast<char16_t>(u'a' + i)));
    ASSERT_EQ(h.size(), 10u);
    EXPECT_EQ(h.Items().front(), u"ml");
    EXPECT_EQ(h.Items().back(), u"mc");  // "mb", the first, is gone
    // Moving a text that is already there drops nothing.
    h.Update(u"MC");
    ASSERT_EQ(h.size(), 10u);
    EXPECT_EQ(h.Items().front(), u"MC");
    EXPECT_EQ(h.Items().back(), u"md");
    // Assign never holds more than ten.
    EXPECT_EQ(With(Items(12, u"q")).size(), 10u);
}

TEST(FillHistory, SaveWritesTotalAndOneValuePerPlaceAndNothingElse)
{
    RegistryTestFolder tmp;
    RegistryStore store(tmp.Hives());
    EXPECT_TRUE(WriteTextValue(store, Hive::CurrentUser, HistoryKey, "7", "stale"));
    EXPECT_TRUE(WriteTextValue(store, Hive::CurrentUser, HistoryKey, "Other", "stale"));
    EXPECT_TRUE(WriteTextValue(store, Hive::CurrentUser, "Software\\Tarnwick\\KYQ\\Setting", "Days", "9"));

    EXPECT_TRUE(SaveFillHistory(With({u"^p^r", u"账号^n^t密码^p", u""}), store));
    const RegistryHive hive = store.Read(Hive::CurrentUser);
    const RegistryKey* key = hive.FindKey(HistoryKey);
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->ValueCount(), 4u);
    EXPECT_EQ(key->ValueName(0), "Total");
    EXPECT_EQ(key->Value(0), RegistryValue::Number(3));
    EXPECT_EQ(key->ValueName(1), "1");
    EXPECT_EQ(key->Value(1), RegistryValue::String("^p^r"));
    EXPECT_EQ(key->ValueName(2), "2");
    EXPECT_EQ(key->Value(2), RegistryValue::String("账号^n^t密码^p"));
    EXPECT_EQ(key->ValueName(3), "3");
    EXPECT_EQ(key->Value(3), RegistryValue::String(""));
    // The neighbouring settings are untouched.
    EXPECT_EQ(ReadTextValue(store, Hive::CurrentUser, "Software\\Tarnwick\\KYQ\\Setting", "Days"), "9");

    FillHistory back;
    LoadFillHistory(back, store);
    EXPECT_EQ(back.Items(), (Items{u"^p^r", u"账号^n^t密码^p", u""}));

    // An empty history still stores its Total.
    EXPECT_TRUE(SaveFillHistory(FillHistory{}, store));
    EXPECT_EQ(ReadNumberValue(store, Hive::CurrentUser, HistoryKey, "Total"), 0);
    EXPECT_EQ(ReadTextValue(store, Hive::CurrentUser, HistoryKey, "1"), "");
}

TEST(FillHistory, ElevenMacrosLeaveTenStoredValues)
{
    RegistryTestFolder tmp;
    RegistryStore store(tmp.Hives());
    FillHistory h;
    for (int i = 0; i < 11; ++i) {
        h.Update(u"macro" + std::u16string(1, static_cast<char16_t>(u'A' + i)));
        EXPECT_TRUE(SaveFillHistory(h, store));
    }
    EXPECT_EQ(ReadNumberValue(store, Hive::CurrentUser, HistoryKey, "Total"), 10);
    EXPECT_EQ(ReadTextValue(store, Hive::CurrentUser, HistoryKey, "1"), "macroK");
    EXPECT_EQ(ReadTextValue(store, Hive::CurrentUser, HistoryKey, "10"), "macroB");
    EXPECT_EQ(store.Read(Hive::CurrentUser).FindKey(HistoryKey)->ValueCount(), 11u);
}

TEST(FillHistory, LoadTrustsTotalOnlyUpToTen)
{
    RegistryTestFolder tmp;
    RegistryStore store(tmp.Hives());
    FillHistory h = With({u"keep"});

    LoadFillHistory(h, store);  // no key at all
    EXPECT_EQ(h.size(), 0u);

    for (int i = 1; i <= 15; ++i)
        EXPECT_TRUE(WriteTextValue(store, Hive::CurrentUser, HistoryKey, std::to_string(i), "v" + std::to_string(i)));
    EXPECT_TRUE(WriteNumberValue(store, Hive::CurrentUser, HistoryKey, "Total", 15));
    LoadFillHistory(h, store);
    ASSERT_EQ(h.size(), 10u);
    EXPECT_EQ(h.Items().back(), u"v10");

    EXPECT_TRUE(WriteNumberValue(store, Hive::CurrentUser, HistoryKey, "Total", -4));
    LoadFillHistory(h, store);
    EXPECT_EQ(h.size(), 0u);

    // Total stored as text is not a number: no history.
    EXPECT_TRUE(WriteTextValue(store, Hive::CurrentUser, HistoryKey, "Total", "3"));
    LoadFillHistory(h, store);
    EXPECT_EQ(h.size(), 0u);

    // A missing place reads as an empty macro.
    EXPECT_TRUE(WriteNumberValue(store, Hive::CurrentUser, HistoryKey, "Total", 3));
    EXPECT_TRUE(RemoveValue(store, Hive::CurrentUser, HistoryKey, "2"));
    LoadFillHistory(h, store);
    EXPECT_EQ(h.Items(), (Items{u"v1", u"", u"v3"}));
}

}  // namespace
}  // namespace kyq
