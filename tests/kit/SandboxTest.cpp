#include "testkit/Process.h"
#include "testkit/Registry.h"
#include "testkit/SystemDir.h"
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using namespace testkit;

namespace {
const char kClsidKey[] = "CLSID\\{6D1C5A2E-7F40-4B8E-9C1A-0F3B2D4E5A61}";
}

TEST(RegistrySandbox, DeletesItsKeysWhenMadeAndWhenGone) {
    std::vector<RegKey> keys = {{HKEY_CURRENT_USER, "Software\\Quelmar"},
                                {HKEY_LOCAL_MACHINE, "Software\\Quelmar"},
                                {HKEY_CLASSES_ROOT, kClsidKey}};
    ASSERT_TRUE(WriteRegDword(HKEY_CURRENT_USER, "Software\\Quelmar\\Deep\\Er", "Left", 1));
    ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, "Software\\Quelmar", "Left", "over"));
    ASSERT_TRUE(WriteRegString(HKEY_CLASSES_ROOT, std::string(kClsidKey) + "\\InprocServer32", "", "x.dll"));
    // A sibling whose name merely starts the same way is not the sandbox's.
    ASSERT_TRUE(WriteRegDword(HKEY_CURRENT_USER, "Software\\QuelmarKit", "Keep", 7));
    {
        RegistrySandbox sandbox(keys);
        for (const RegKey& k : keys) EXPECT_FALSE(RegKeyExists(k.root, k.path)) << k.path;
        ASSERT_TRUE(WriteRegDword(HKEY_CURRENT_USER, "Software\\Quelmar\\Sub", "During", 2));
        ASSERT_TRUE(WriteRegString(HKEY_CLASSES_ROOT, kClsidKey, "", "During"));
    }
    for (const RegKey& k : keys) EXPECT_FALSE(RegKeyExists(k.root, k.path)) << k.path;
    EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, "Software\\QuelmarKit", "Keep"), 7u);
    EXPECT_TRUE(DeleteRegTree(HKEY_CURRENT_USER, "Software\\QuelmarKit"));
}

TEST(RegistrySandbox, ValuesReadBackOnlyAsTheirType) {
    RegistrySandbox sandbox;
    const std::string key = "Software\\Quelmar\\Kit";
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, key, "Name", "factory.ssf"));
    ASSERT_TRUE(WriteRegDword(HKEY_CURRENT_USER, key, "Count", 0x12345678));
    const BYTE unterminated[] = {'a', 'b', 'c'};
    ASSERT_TRUE(WriteRegValue(HKEY_CURRENT_USER, key, "Raw", REG_SZ, unterminated, sizeof unterminated));
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key, "Name"), "factory.ssf");
    EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, key, "Count"), 0x12345678u);
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key, "Raw"), "abc");
    EXPECT_FALSE(ReadRegDword(HKEY_CURRENT_USER, key, "Name"));
    EXPECT_FALSE(ReadRegString(HKEY_CURRENT_USER, key, "Count"));
    EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, key, "Missing"));
}

TEST(RegistrySandbox, RefusesKeysNearTheRoot) {
    EXPECT_NONFATAL_FAILURE(DeleteRegTree(HKEY_CURRENT_USER, "Software"), "too near the root");
    EXPECT_NONFATAL_FAILURE(DeleteRegTree(HKEY_CLASSES_ROOT, "\\CLSID\\"), "too near the root");
    EXPECT_NONFATAL_FAILURE(DeleteRegTree(HKEY_CURRENT_USER, ""), "too near the root");
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "Software"));
}

TEST(WindowsVersionSetting, AppliesToOneProgramWhileItLasts) {
    const std::string form = ProgramDirectory() + "\\kit_form.exe";
    {
        WindowsVersionSetting win98("kit_form.exe", "win98");
        EXPECT_EQ(RunProgram(form, "version").exitCode, 10410u);
    }
    EXPECT_EQ(RunProgram(form, "version").exitCode, 20601u);
}

TEST(SystemDirSandbox, DeletesMatchingFilesOnly) {
    for (const char* name : {"kit_a.ssf", "kit_b.SSF", "kit_c.ssfx", "kit_d.txt"})
        ASSERT_TRUE(WriteSystemFile(name, std::string("x"))) << name;
    {
        SystemDirSandbox sandbox({"kit_*.ssf"});
        EXPECT_EQ(ListSystemFiles("kit_*"), (std::vector<std::string>{"kit_c.ssfx", "kit_d.txt"}));
        ASSERT_TRUE(WriteSystemFile("kit_e.ssf", std::string("during")));
    }
    EXPECT_FALSE(SystemFileExists("kit_e.ssf"));
    SystemDirSandbox cleanup({"kit_c.ssfx", "kit_d.txt"});
    EXPECT_TRUE(ListSystemFiles("kit_*").empty());
}

TEST(SystemDirSandbox, FilesRoundTripByteForByte) {
    SystemDirSandbox sandbox({"kit_bytes.ssf"});
    std::vector<uint8_t> bytes(21716);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
    ASSERT_TRUE(WriteSystemFile("kit_bytes.ssf", bytes));
    EXPECT_EQ(ReadSystemFile("kit_bytes.ssf"), bytes);
    ASSERT_TRUE(WriteSystemFile("kit_bytes.ssf", std::vector<uint8_t>{}));
    EXPECT_EQ(ReadSystemFile("kit_bytes.ssf"), std::vector<uint8_t>{});
    EXPECT_FALSE(ReadSystemFile("kit_missing.ssf"));
    EXPECT_FALSE(WriteSystemFile("..\\kit_escape.ssf", bytes));
}

TEST(SystemDirSandbox, RefusesNamesThatReachPrefixFiles) {
    EXPECT_NONFATAL_FAILURE(SystemDirSandbox{{"*.dll"}}, "refuses");
    EXPECT_NONFATAL_FAILURE(SystemDirSandbox{{"*"}}, "refuses");
    EXPECT_NONFATAL_FAILURE(SystemDirSandbox{{"*.*"}}, "refuses");
    EXPECT_NONFATAL_FAILURE(SystemDirSandbox{{"..\\win.ini"}}, "refuses");
    EXPECT_TRUE(SystemFileExists("kernel32.dll"));
}

TEST(WildcardMatch, MatchesWholeNamesIgnoringCase) {
    EXPECT_TRUE(WildcardMatch("*.ssf", "Factory.SSF"));
    EXPECT_TRUE(WildcardMatch("a?c*.ssf", "abcdef.ssf"));
    EXPECT_TRUE(WildcardMatch("*a*b", "xxaxxb"));
    EXPECT_FALSE(WildcardMatch("*.ssf", "x.ssfx"));
    EXPECT_FALSE(WildcardMatch("*.ssf", "x.ss"));
    EXPECT_FALSE(WildcardMatch("a?c", "ac"));
}
