#include "core/workflow/CommandLineItem.h"

#include <gtest/gtest.h>

namespace kyq {
namespace {

TEST(CommandLineItem, QuotedNameLosesItsQuotesAndKeepsBlanksAndCommas) {
    EXPECT_EQ(FirstCommandItem("\"/home/li/My Docs/a,b.kyq\"\r\n"), "/home/li/My Docs/a,b.kyq");
    EXPECT_EQ(FirstCommandItem("   \" padded \" trailing,junk\r\n"), " padded ");
    EXPECT_EQ(FirstCommandItem("\"\"\r\n"), "");
    // No closing quote: the rest of the text is the name.
    EXPECT_EQ(FirstCommandItem("\"/tmp/open ended"), "/tmp/open ended");
}

TEST(CommandLineItem, UnquotedNameIsCutAtTheFirstCommaAndTrimmed) {
    EXPECT_EQ(FirstCommandItem("/home/li/a,b.kyq\r\n"), "/home/li/a");
    EXPECT_EQ(FirstCommandItem("  /home/li/My Docs/pw.kyq  \r\n"), "/home/li/My Docs/pw.kyq");
    EXPECT_EQ(FirstCommandItem("\t/x.kyq\t,second\r\n"), "/x.kyq");
    // A quote later in an unquoted item is an ordinary character.
    EXPECT_EQ(FirstCommandItem("/a\"b.kyq\r\n"), "/a\"b.kyq");
    EXPECT_EQ(FirstCommandItem("/home/李/密码.kyq\r\n"), "/home/李/密码.kyq");
}

TEST(CommandLineItem, OnlyTheFirstLineCountsAndEmptyTextsGiveNoName) {
    EXPECT_EQ(FirstCommandItem("/first.kyq\r\n/second.kyq\r\n"), "/first.kyq");
    EXPECT_EQ(FirstCommandItem("/unix-ending.kyq\n"), "/unix-ending.kyq");
    EXPECT_EQ(FirstCommandItem(""), "");
    EXPECT_EQ(FirstCommandItem("   \r\n"), "");
    EXPECT_EQ(FirstCommandItem(",/after-comma.kyq\r\n"), "");
}

}  // namespace
}  // namespace kyq
