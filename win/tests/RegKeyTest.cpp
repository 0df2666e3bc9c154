#include "win/RegKey.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

const char kTestKey[] = "Software\\WinLayerTest\\RegKey";

class RegKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
        key = win::RegKey::Create(HKEY_CURRENT_USER, kTestKey);
        ASSERT_TRUE(key.valid()) << key.lastError();
    }
    void TearDown() override {
        key.close();
        RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
    }
    // Writes bytes exactly as given, as another program might have.
    void writeRaw(const char* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetValueExA(key.get(), name, 0, type,
                                 static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }
    win::RegKey key;
};

TEST_F(RegKeyTest, ValuesRoundTripThroughAFreshKey) {
    const BYTE blob[32] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
    EXPECT_TRUE(key.setDword("Number", 0xDEADBEEF));
    EXPECT_TRUE(key.setString("Name", "factory.ssf"));
    EXPECT_TRUE(key.setString("Current", "user.ssf", win::StoredNul::NotCounted));
    EXPECT_TRUE(key.setBinary("Blob", blob, sizeof blob));
    EXPECT_TRUE(key.setMultiString("List", {"a.ssf", "", "b.ssf"}));
    EXPECT_TRUE(key.flush());
    key.close();

    auto again = win::RegKey::Open(HKEY_CURRENT_USER, kTestKey);
    ASSERT_TRUE(again.valid());
    EXPECT_EQ(again.queryDword("Number"), 0xDEADBEEFu);
    EXPECT_EQ(again.dwordOr("Missing", 26688), 26688u);
    EXPECT_EQ(again.queryString("Name", 259), "factory.ssf");
    EXPECT_EQ(again.queryString("Current", 259), "user.ssf");
    BYTE read[32] = {};
    EXPECT_TRUE(again.queryBinary("Blob", read, sizeof read));
    EXPECT_EQ(std::memcmp(read, blob, sizeof blob), 0);
    EXPECT_EQ(again.queryMultiString("List", 4096),
              (std::vector<std::string>{"a.ssf", "b.ssf"}));
    EXPECT_TRUE(again.hasValue("Blob"));
    EXPECT_FALSE(again.hasValue("Missing"));
}

TEST_F(RegKeyTest, UnterminatedAndOversizedValuesAreRefusedOrTerminated) {
    // Filled to the limit without a NUL: still read, and terminated.
    std::string full(259, 'x');
    writeRaw("Full", REG_SZ, full.data(), static_cast<DWORD>(full.size()));
    EXPECT_EQ(key.queryString("Full", 259), full);
    // One character more than the caller's buffer: refused, not cut.
    std::string over(260, 'y');
    writeRaw("Over", REG_SZ, over.data(), static_cast<DWORD>(over.size()));
    EXPECT_EQ(key.queryString("Over", 259), std::nullopt);
    // Embedded NUL: the string ends there.
    writeRaw("Embedded", REG_SZ, "ab\0cd", 5);
    EXPECT_EQ(key.queryString("Embedded", 259), "ab");
    // Wrong type for a string.
    EXPECT_TRUE(key.setDword("Dword", 7));
    EXPECT_EQ(key.queryString("Dword", 259), std::nullopt);
    // Multi-string without its final NULs keeps its last entry.
    writeRaw("Multi", REG_MULTI_SZ, "one\0two", 7);
    EXPECT_EQ(key.queryMultiString("Multi", 4096),
              (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(key.queryMultiString("Multi", 6), std::nullopt);
}

TEST_F(RegKeyTest, FixedSizeValuesDemandTheirExactSize) {
    // A four-byte REG_BINARY counts as a DWORD; two or eight bytes do not.
    const BYTE four[4] = {0x10, 0x20, 0x30, 0x40};
    writeRaw("Four", REG_BINARY, four, 4);
    EXPECT_EQ(key.queryDword("Four"), 0x40302010u);
    writeRaw("Two", REG_BINARY, four, 2);
    EXPECT_EQ(key.queryDword("Two"), std::nullopt);
    const BYTE eight[8] = {};
    writeRaw("Eight", REG_BINARY, eight, 8);
    EXPECT_EQ(key.dwordOr("Eight", 32), 32u);

    BYTE out[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_FALSE(key.queryBinary("Two", out, 4));
    EXPECT_FALSE(key.queryBinary("Eight", out, 4));
    EXPECT_EQ(out[0], 0xAA) << "a refused read must leave the buffer alone";
    EXPECT_TRUE(key.queryBinary("Four", out, 4));
    EXPECT_EQ(out[3], 0x40);
}

TEST_F(RegKeyTest, DeleteValueAndInvalidKey) {
    ASSERT_TRUE(key.setDword("ControlPanelPage", 3));
    EXPECT_TRUE(key.deleteValue("ControlPanelPage"));
    EXPECT_EQ(key.queryDword("ControlPanelPage"), std::nullopt);
    EXPECT_FALSE(key.deleteValue("ControlPanelPage"));

    auto missing = win::RegKey::Open(HKEY_CURRENT_USER, "Software\\WinLayerTest\\None");
    EXPECT_FALSE(missing.valid());
    EXPECT_EQ(missing.lastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing.queryDword("x"), std::nullopt);
    EXPECT_FALSE(missing.setDword("x", 1));
}

}  // namespace
