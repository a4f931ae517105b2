#include "core/workflow/CommandLineItem.h"

#include <gtest/gtest.h>

namespace kyq {
namespace {

TEST(CommandLineItem, TheFirstItemOfTheFirstLineIsTheName) {
    struct Case {
        const char* line;
        const char* name;
    };
    const Case cases[] = {
        // A quoted name loses its quotes and keeps blanks and commas.
        {"\"/home/li/My Docs/a,b.kyq\"\r\n", "/home/li/My Docs/a,b.kyq"},
        {"   \" padded \" trailing,junk\r\n", " padded "},
        {"\"\"\r\n", ""},
        {"\"/tmp/open ended", "/tmp/open ended"},  // no closing quote: the rest is the name
        // An unquoted name is cut at the first comma and trimmed.
        {"/home/li/a,b.kyq\r\n", "/home/li/a"},
        {"  /home/li/My Docs/pw.kyq  \r\n", "/home/li/My Docs/pw.kyq"},
        {"\t/x.kyq\t,second\r\n", "/x.kyq"},
        {"/a\"b.kyq\r\n", "/a\"b.kyq"},  // a later quote is an ordinary character
        {"/home/李/密码.kyq\r\n", "/home/李/密码.kyq"},
        // Only the first line counts; empty texts give no name.
        {"/first.kyq\r\n/second.kyq\r\n", "/first.kyq"},
        {"/unix-ending.kyq\n", "/unix-ending.kyq"},
        {"", ""},
        {"   \r\n", ""},
        {",/after-comma.kyq\r\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(FirstCommandItem(c.line), c.name);
    }
}

}  // namespace
}  // namespace kyq
