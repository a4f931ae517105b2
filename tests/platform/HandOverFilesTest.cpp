#include "platform/HandOverFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/RuntimeFolder.h"
#include "platform/RuntimeTestFolder.h"

namespace kyq {
namespace {

class HandOverFilesTest : public ::testing::Test {
protected:
    test::RuntimeTestFolder folders;
    std::string folder = PerUserRuntimeFolder().value();

    std::string Read(const char* name) const {
        std::ifstream in(folder + name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void Write(const char* name, const std::string& text) const {
        std::ofstream(folder + name, std::ios::binary) << text;
    }
    bool Exists(const char* name) const { return std::filesystem::exists(folder + name); }
};

TEST_F(HandOverFilesTest, HandleFileIsOneDecimalLineAndReadsBack) {
    ASSERT_FALSE(folder.empty());
    ASSERT_TRUE(WriteHandleFile(folder, 73400323));
    EXPECT_EQ(Read(HandleFileName), "73400323\r\n");
    EXPECT_EQ(ReadHandleFile(folder), 73400323u);
    // Written anew, not appended.
    ASSERT_TRUE(WriteHandleFile(folder, 5));
    EXPECT_EQ(Read(HandleFileName), "5\r\n");
    ASSERT_TRUE(RemoveHandleFile(folder));
    EXPECT_FALSE(Exists(HandleFileName));
    EXPECT_EQ(ReadHandleFile(folder), 0u);
    EXPECT_TRUE(RemoveHandleFile(folder));
}

TEST_F(HandOverFilesTest, HandleReaderSkipsBlanksAndTakesTheFirstNumber) {
    EXPECT_EQ(ParseHandleText("  \t 4194311 \r\n"), 4194311u);
    EXPECT_EQ(ParseHandleText("\r\n\r\n12 34\r\n"), 12u);
    EXPECT_EQ(ParseHandleText("99abc"), 99u);
    EXPECT_EQ(ParseHandleText("abc 99"), 0u);
    EXPECT_EQ(ParseHandleText("-5"), 0u);
    EXPECT_EQ(ParseHandleText(""), 0u);
    EXPECT_EQ(ParseHandleText("18446744073709551615"), 18446744073709551615u);
    EXPECT_EQ(ParseHandleText("18446744073709551616"), 0u);
    EXPECT_EQ(ParseHandleText("000000000000000000000000042"), 42u);

    Write(HandleFileName, " 77 \r\n");
    EXPECT_EQ(ReadHandleFile(folder), 77u);
    Write(HandleFileName, std::string(HandOverFileCap, ' ') + "77");
    EXPECT_EQ(ReadHandleFile(folder), 0u);
}

}  // namespace
}  // namespace kyq
