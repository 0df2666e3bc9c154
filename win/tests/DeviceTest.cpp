// The device-access functions with neither a board nor the virtual-board
// service: callers must see the errors the real calls give.
#include "win/Device.h"

#include <gtest/gtest.h>

namespace {

TEST(Device, WithoutBoardOrServiceOpeningFailsWithTheRealError) {
    SetLastError(0);
    HANDLE h = win::DeviceOpen("\\\\.\\Quorvi", 0, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, 0);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));

    // The Windows 9x form is refused before any lookup on NT.
    win::Device d("\\\\.\\QUORVI", 0, 0, 0, FILE_FLAG_DELETE_ON_CLOSE);
    EXPECT_FALSE(d.valid());
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(Device, OrdinaryHandlesGoToTheRealCalls) {
    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "dev", 0, path);
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    win::Device d(file);
    DWORD returned = 7, out = 0;
    EXPECT_FALSE(d.control(0x81012028, nullptr, 0, &out, sizeof out, &returned));
    EXPECT_NE(GetLastError(), 0u);

    win::Device moved(std::move(d));
    EXPECT_FALSE(d.valid());
    moved.reset();
    EXPECT_EQ(GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES) << "closed once, file gone";
}

}  // namespace
