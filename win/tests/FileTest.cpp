#include "win/File.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

TEST(File, WriteDoesNotTruncateAndReadDemandsFullSize) {
    std::string path = win::SystemDirectoryPath("winlayer_test.ssf");
    ASSERT_FALSE(path.empty());
    DeleteFileA(path.c_str());
    {
        auto f = win::File::OpenWrite(path.c_str());
        ASSERT_TRUE(f.valid()) << f.lastError();
        ASSERT_TRUE(f.writeAll("0123456789", 10));
    }
    {
        auto f = win::File::OpenWrite(path.c_str());
        ASSERT_TRUE(f.writeAll("abc", 3));
        EXPECT_TRUE(f.lastWriteTime().has_value());
    }
    auto f = win::File::OpenRead(path.c_str());
    ASSERT_TRUE(f.valid());
    EXPECT_EQ(f.size(), 10u);
    char buf[16] = {};
    ASSERT_TRUE(f.readExact(buf, 10));
    EXPECT_EQ(std::string(buf, 10), "abc3456789");
    ASSERT_TRUE(f.seek(4));
    EXPECT_FALSE(f.readExact(buf, 10)) << "a short read is a failure";
    f.close();
    DeleteFileA(path.c_str());

    auto missing = win::File::OpenRead(path.c_str());
    EXPECT_FALSE(missing.valid());
    EXPECT_EQ(missing.lastError(), ERROR_FILE_NOT_FOUND);
}

}  // namespace
