#include "core/settings/Registry.h"

#include <gtest/gtest.h>

#include "platform/RegistryTestFolder.h"

namespace kyq {
namespace {

using testing::RegistryTestFolder;

TEST(RegistryHelpers, TextValuesStopAtTheFirstNulAndOnlyStringsAreText)
{
    RegistryTestFolder tmp;
    // As another tool may leave them: a string without its terminator, one with text after
    // an embedded NUL, and a number.
    tmp.WriteFile("HKEY_CURRENT_USER.reg",
                  "Windows Registry Editor Version 5.00\n\n"
                  "[HKEY_CURRENT_USER\\Software\\Other]\n"
                  "\"bare\"=hex(1):2f,00,ef,8d,84,5f\n"
                  "\"nul\"=hex(1):61,00,00,00,62,00,00,00\n"
                  "\"number\"=dword:00000005\n"
                  "\"binary\"=hex:61,62\n");
    RegistryStore store(tmp.Hives());
    EXPECT_EQ(ReadTextValue(store, Hive::CurrentUser, "Software\\Other", "bare"), "/路径");
    EXPECT_EQ(ReadTextValue(store, Hive::CurrentUser, "Software\\Other", "nul"), "a");
    EXPECT_EQ(ReadTextValue(store, Hive::CurrentUser, "Software\\Other", "number"), "");
    EXPECT_EQ(ReadTextValue(store, Hive::CurrentUser, "Software\\Other", "binary"), "");
    EXPECT_EQ(ReadTextValue(store, Hive::CurrentUser, "Software\\Other", "missing"), "");
    EXPECT_EQ(ReadTextValue(store, Hive::CurrentUser, "Software\\Missing", "bare"), "");
    EXPECT_EQ(ReadTextValue(store, Hive::LocalMachine, "Software\\Other", "bare"), "");

    EXPECT_EQ(ReadNumberValue(store, Hive::CurrentUser, "Software\\Other", "number"), 5);
    EXPECT_EQ(ReadNumberValue(store, Hive::CurrentUser, "Software\\Other", "bare"), 0);
    EXPECT_EQ(ReadNumberValue(store, Hive::CurrentUser, "Software\\Other", "binary"), 0);
    EXPECT_EQ(ReadNumberValue(store, Hive::CurrentUser, "Software\\Other", "missing"), 0);
    // A failed read never creates the key.
    EXPECT_FALSE(store.Read(Hive::CurrentUser).FindKey("Software\\Missing") != nullptr);
}

TEST(RegistryHelpers, WritesCreateTheKeyAndItsParentsAndKeepTheWholeValue)
{
    RegistryTestFolder tmp;
    RegistryStore store(tmp.Hives());
    EXPECT_TRUE(WriteTextValue(store, Hive::ClassesRoot, "KYQfileMM\\shell\\open\\Command", "", "/opt/k/KYQ %1"));
    EXPECT_TRUE(WriteTextValue(store, Hive::ClassesRoot, "KYQfileMM", "", "Keyquill文档"));
    EXPECT_TRUE(WriteNumberValue(store, Hive::CurrentUser, "A\\B", "neg", -2));
    EXPECT_TRUE(WriteNumberValue(store, Hive::CurrentUser, "A\\B", "max", INT32_MAX));

    EXPECT_EQ(ReadTextValue(store, Hive::ClassesRoot, "KYQfileMM\\shell\\open\\command", ""), "/opt/k/KYQ %1");
    EXPECT_EQ(ReadTextValue(store, Hive::ClassesRoot, "kyqfilemm", ""), "Keyquill文档");
    EXPECT_TRUE(store.Read(Hive::ClassesRoot).FindKey("KYQfileMM\\shell") != nullptr);
    EXPECT_EQ(ReadNumberValue(store, Hive::CurrentUser, "A\\B", "neg"), -2);
    EXPECT_EQ(ReadNumberValue(store, Hive::CurrentUser, "A\\B", "max"), INT32_MAX);

    // A text holding line ends survives, as the association's old value might.
    EXPECT_TRUE(WriteTextValue(store, Hive::ClassesRoot, "KYQfileMM", "Back", "one\ntwo"));
    EXPECT_EQ(ReadTextValue(store, Hive::ClassesRoot, "KYQfileMM", "Back"), "one\ntwo");
    // Writing a different type replaces the value.
    EXPECT_TRUE(WriteNumberValue(store, Hive::ClassesRoot, "KYQfileMM", "Back", 3));
    EXPECT_EQ(ReadTextValue(store, Hive::ClassesRoot, "KYQfileMM", "Back"), "");
}

TEST(RegistryHelpers, RemoveKeyTakesTheSubtreeAndRemoveValueOnlyTheValue)
{
    RegistryTestFolder tmp;
    RegistryStore store(tmp.Hives());
    EXPECT_TRUE(WriteTextValue(store, Hive::ClassesRoot, "KYQfileMM\\shell\\open\\Command", "", "x"));
    EXPECT_TRUE(WriteTextValue(store, Hive::ClassesRoot, "KYQfileMM", "Back", "old"));
    EXPECT_TRUE(WriteTextValue(store, Hive::ClassesRoot, ".kyq", "", "KYQfileMM"));

    EXPECT_TRUE(RemoveValue(store, Hive::ClassesRoot, "KYQfileMM", "back"));
    EXPECT_EQ(ReadTextValue(store, Hive::ClassesRoot, "KYQfileMM", "Back"), "");
    EXPECT_EQ(ReadTextValue(store, Hive::ClassesRoot, "KYQfileMM\\shell\\open\\Command", ""), "x");

    EXPECT_TRUE(RemoveKey(store, Hive::ClassesRoot, "KYQfileMM"));
    EXPECT_FALSE(store.Read(Hive::ClassesRoot).FindKey("KYQfileMM") != nullptr);
    EXPECT_EQ(ReadTextValue(store, Hive::ClassesRoot, "KYQfileMM\\shell\\open\\Command", ""), "");
    EXPECT_EQ(ReadTextValue(store, Hive::ClassesRoot, ".kyq", ""), "KYQfileMM");

    // Removing what is not there changes nothing and does not fail loudly.
    EXPECT_TRUE(RemoveKey(store, Hive::ClassesRoot, "Nothing\\Here"));
    EXPECT_TRUE(RemoveValue(store, Hive::ClassesRoot, "Nothing", "x"));
    EXPECT_EQ(ReadTextValue(store, Hive::ClassesRoot, ".kyq", ""), "KYQfileMM");
}

}  // namespace
}  // namespace kyq
