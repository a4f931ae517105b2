#include "core/settings/MimeAppsList.h"

#include <gtest/gtest.h>

namespace kyq {
namespace {

using Ids = std::vector<std::string>;
constexpr char kType[] = "application/x-keyquill";

TEST(MimeAppsList, ReadsTheDefaultListOfOnlyTheDefaultGroup) {
    MimeAppsList list(
        "[Added Associations]\n"
        "application/x-keyquill=added.desktop;\n"
        "\n"
        "[Default Applications]\n"
        "# a comment\n"
        "text/plain=editor.desktop\n"
        "  application/x-keyquill = first.desktop ; second.desktop;;\n"
        "application/x-keyquill=later-duplicate.desktop;\n");
    EXPECT_EQ(list.DefaultsFor(kType), (Ids{"first.desktop", "second.desktop"}));
    EXPECT_EQ(list.DefaultsFor("text/plain"), (Ids{"editor.desktop"}));
    EXPECT_TRUE(list.DefaultsFor("image/png").empty());
    EXPECT_TRUE(MimeAppsList("[Added Associations]\napplication/x-keyquill=a.desktop;\n").DefaultsFor(kType).empty());
}

TEST(MimeAppsList, ReplacingALineKeepsEveryOtherByteAndTheLineBreaks) {
    const std::string before =
        "# user's own notes\r\n"
        "[Default Applications]\r\n"
        "text/plain=editor.desktop\r\n"
        "application/x-keyquill=old.desktop;\r\n"
        "image/png=viewer.desktop\r\n"
        "\r\n"
        "[Removed Associations]\r\n"
        "image/gif=viewer.desktop\r\n";
    MimeAppsList list(before);
    list.SetDefaults(kType, {"keyquill.desktop", "old.desktop"});
    std::string expected = before;
    expected.replace(expected.find("application/x-keyquill=old.desktop;"), 35,
                     "application/x-keyquill=keyquill.desktop;old.desktop;");
    EXPECT_EQ(list.Text(), expected);

    list.SetDefaults(kType, {});
    std::string removed = before;
    removed.erase(removed.find("application/x-keyquill"), 37);
    EXPECT_EQ(list.Text(), removed);
}

TEST(MimeAppsList, AddsTheLineInsideTheExistingGroupBeforeTheNextOne) {
    MimeAppsList list(
        "[Default Applications]\n"
        "text/plain=editor.desktop\n"
        "\n"
        "# comment of the next group\n"
        "[Added Associations]\n"
        "text/plain=other.desktop;\n");
    list.SetDefaults(kType, {"keyquill.desktop"});
    EXPECT_EQ(list.Text(),
              "[Default Applications]\n"
              "text/plain=editor.desktop\n"
              "application/x-keyquill=keyquill.desktop;\n"
              "\n"
              "# comment of the next group\n"
              "[Added Associations]\n"
              "text/plain=other.desktop;\n");
}

TEST(MimeAppsList, AddsTheGroupWhenMissingAndCopesWithAMissingFinalLineBreak) {
    MimeAppsList empty("");
    empty.SetDefaults(kType, {"keyquill.desktop"});
    EXPECT_EQ(empty.Text(), "[Default Applications]\napplication/x-keyquill=keyquill.desktop;\n");

    MimeAppsList other("[Added Associations]\ntext/plain=a.desktop;");
    other.SetDefaults(kType, {"keyquill.desktop"});
    EXPECT_EQ(other.Text(),
              "[Added Associations]\ntext/plain=a.desktop;\n\n"
              "[Default Applications]\napplication/x-keyquill=keyquill.desktop;\n");

    MimeAppsList lastLine("[Default Applications]\ntext/plain=a.desktop");
    lastLine.SetDefaults(kType, {"keyquill.desktop"});
    EXPECT_EQ(lastLine.Text(), "[Default Applications]\ntext/plain=a.desktop\napplication/x-keyquill=keyquill.desktop;\n");
    EXPECT_EQ(MimeAppsList(lastLine.Text()).DefaultsFor("text/plain"), (Ids{"a.desktop"}));
}

TEST(MimeAppsList, RemovingAnAbsentLineChangesNothing) {
    const std::string text = "[Default Applications]\ntext/plain=a.desktop\n";
    MimeAppsList list(text);
    list.SetDefaults(kType, {});
    EXPECT_EQ(list.Text(), text);
}

}  // namespace
}  // namespace kyq
