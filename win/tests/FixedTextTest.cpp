#include "win/FixedText.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

TEST(FixedText, CopyCutsTerminatesAndClearsTheTail) {
    char field[8];
    std::memset(field, 'x', sizeof field);
    win::CopyBounded(field, sizeof field, "abcdefghij");
    EXPECT_EQ(std::string(field, sizeof field), std::string("abcdefg\0", 8));

    std::memset(field, 'x', sizeof field);
    win::CopyBounded(field, sizeof field, std::string_view("ab\0cd", 5));
    EXPECT_EQ(std::string(field, sizeof field), std::string(8, '\0').replace(0, 2, "ab"))
        << "the copy ends at the first NUL and no stale byte stays behind it";

    field[0] = 'x';
    win::CopyBounded(field, 0, "abc");
    EXPECT_EQ(field[0], 'x') << "a field of no size is not written";
}

TEST(FixedText, ReadStopsAtTheFieldEndWithoutATerminator) {
    const char unterminated[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(win::BoundedString(unterminated, sizeof unterminated), "abcd");
    const char terminated[6] = "ab";
    EXPECT_EQ(win::BoundedString(terminated, sizeof terminated), "ab");
}

}  // namespace
