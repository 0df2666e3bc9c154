// The device-access functions of win/ against virtual boards served in this
// process: what every deliverable sees instead of the kernel driver.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "vboard/InProcessBoards.h"
#include "win/Device.h"

using namespace quorvi;
using namespace vboard;

namespace {

DriverConfig TwoBoards() {
    DriverConfig c;
    c.boards = 2;
    c.board[0].kind = 7;
    c.board[1].kind = 9;
    c.board[1].capability = 0;
    return c;
}

win::Device OpenNT() {
    return win::Device(kDeviceNameNT, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, 0);
}

std::uint32_t CountBoards(const win::Device& d, DWORD& lastError) {
    std::uint32_t board = 0;
    std::uint8_t info[kBoardInfoSize];
    DWORD got = 0;
    while (d.control(QUORVI_GET_BOARD_INFO, &board, 4, info, sizeof info, &got)) ++board;
    lastError = GetLastError();
    return board;
}

TEST(DeviceAccess, BoardCountingStopsAtTheFirstRefusedIndex) {
    InProcessBoards boards(TwoBoards());
    ASSERT_TRUE(boards.serving());
    win::Device d = OpenNT();
    ASSERT_TRUE(d.valid()) << GetLastError();
    DWORD error = 0;
    EXPECT_EQ(CountBoards(d, error), 2u);
    EXPECT_EQ(error, 0xF00Eu);

    boards.control("missing-board-error 0x37");
    boards.control("boards 3");
    EXPECT_EQ(CountBoards(d, error), 3u);
    EXPECT_EQ(error, 0x37u);
    std::vector<LogEntry> asked = boards.log(QUORVI_GET_BOARD_INFO);
    ASSERT_EQ(asked.size(), 7u);
    EXPECT_EQ(asked.back().board, 3);
}

TEST(DeviceAccess, RepliesCarryTheBoardsData) {
    InProcessBoards boards(TwoBoards());
    win::Device d = OpenNT();
    std::uint32_t board = 1, info[7] = {};
    DWORD got = 0;
    ASSERT_TRUE(d.control(QUORVI_GET_BOARD_INFO, &board, 4, info, sizeof info, &got));
    EXPECT_EQ(got, kBoardInfoSize);
    EXPECT_EQ(info[0], 9u);
    EXPECT_EQ(info[5], 0u);

    // A failed request reports nothing back.
    std::uint8_t status[kStatusBlockSize];
    std::memset(status, 0xAB, sizeof status);
    got = 99;
    EXPECT_FALSE(d.control(QUORVI_GET_STATUS, &board, 4, status, sizeof status - 1, &got));
    EXPECT_EQ(GetLastError(), unsigned(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(status[0], 0xAB);
}

TEST(DeviceAccess, InjectedFailuresSurfaceAsTheChosenLastError) {
    InProcessBoards boards(TwoBoards());
    win::Device d = OpenNT();
    std::uint8_t in[4 + kParameterBlockSize] = {};
    boards.control("fail QUORVI_SET_PARAM 0x1F once");
    EXPECT_FALSE(d.control(QUORVI_SET_PARAM, in, sizeof in, nullptr, 0));
    EXPECT_EQ(GetLastError(), 0x1Fu);
    EXPECT_TRUE(d.control(QUORVI_SET_PARAM, in, sizeof in, nullptr, 0));

    boards.control("fail open 0x15");
    win::Device refused = OpenNT();
    EXPECT_FALSE(refused.valid());
    EXPECT_EQ(GetLastError(), 0x15u);
}

TEST(DeviceAccess, ChannelsConflictBetweenHandlesAndAreReleasedOnClose) {
    InProcessBoards boards(TwoBoards());
    std::uint32_t masks[8] = {0xFFFF, 0, 0, 0, 0x3FFFF, 0, 0, 0};
    std::uint32_t other[8] = {0, 0xFF, 0, 0, 0, 0x30000, 0, 0};
    win::Device asio(kDeviceNameAsio, 0, 0, 0, FILE_FLAG_DELETE_ON_CLOSE);
    win::Device second(kDeviceNameAsio, 0, 0, 0, FILE_FLAG_DELETE_ON_CLOSE);
    ASSERT_TRUE(asio && second);
    ASSERT_TRUE(asio.control(QUORVI_ACQUIRE_CHANNELS, masks, 32, nullptr, 0));
    EXPECT_FALSE(second.control(QUORVI_ACQUIRE_CHANNELS, masks, 32, nullptr, 0));
    EXPECT_EQ(GetLastError(), unsigned(ERROR_BUSY));
    EXPECT_TRUE(second.control(QUORVI_ACQUIRE_CHANNELS, other, 32, nullptr, 0)) << "other bits are free";

    asio.reset();  // closing releases without an explicit release
    EXPECT_TRUE(second.control(QUORVI_ACQUIRE_CHANNELS, masks, 32, nullptr, 0));
    EXPECT_TRUE(second.control(QUORVI_RELEASE_CHANNELS, masks, 32, nullptr, 0));
    win::Device third(kDeviceNameAsio, 0, 0, 0, FILE_FLAG_DELETE_ON_CLOSE);
    EXPECT_TRUE(third.control(QUORVI_ACQUIRE_CHANNELS, masks, 32, nullptr, 0));
    EXPECT_FALSE(third.control(QUORVI_ACQUIRE_CHANNELS, other, 32, nullptr, 0)) << "still held by the second";
}

// Each name with the arguments its callers pass; the boards see them as
// passed, refused opens included.
TEST(DeviceAccess, ServesEveryDeviceNameAndRecordsEachOpen) {
    DriverConfig c = TwoBoards();
    c.lintraDriver = true;
    c.lintraBoards = 1;
    InProcessBoards boards(c);
    const struct {
        const char* name;
        OpenArgs args;
    } callers[] = {
        {kDeviceNameNT, {0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, 0}},
        {kDeviceName9x, {0, 0, 0, FILE_FLAG_DELETE_ON_CLOSE}},
        {kDeviceNameAsio, {0, 0, 0, FILE_FLAG_DELETE_ON_CLOSE}},
        {kDeviceNameLintra, {GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, 0}},
    };
    for (const auto& caller : callers) {
        const OpenArgs& a = caller.args;
        win::Device d(caller.name, a.access, a.share, a.disposition, a.flags);
        EXPECT_TRUE(d.valid()) << caller.name;
    }
    win::Device unknown("\\\\.\\NoSuchBoard", 0, 0, OPEN_EXISTING, 0);
    EXPECT_FALSE(unknown.valid());
    EXPECT_EQ(GetLastError(), unsigned(ERROR_FILE_NOT_FOUND));

    boards.control("lintra off");
    win::Device ice(kDeviceNameLintra, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, 0);
    EXPECT_FALSE(ice.valid());
    EXPECT_EQ(GetLastError(), unsigned(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(boards.driver().openHandles(), 0u);

    std::vector<OpenEntry> opens = boards.opens();
    ASSERT_EQ(opens.size(), 6u);
    for (std::size_t i = 0; i < 4; ++i) {
        const OpenArgs& want = callers[i].args;
        EXPECT_EQ(opens[i].name, callers[i].name);
        EXPECT_EQ(opens[i].args.access, want.access) << i;
        EXPECT_EQ(opens[i].args.share, want.share) << i;
        EXPECT_EQ(opens[i].args.disposition, want.disposition) << i;
        EXPECT_EQ(opens[i].args.flags, want.flags) << i;
        EXPECT_EQ(opens[i].error, 0u) << i;
        EXPECT_NE(opens[i].handle, 0u) << i;
    }
    EXPECT_EQ(opens[4].name, "\\\\.\\NoSuchBoard");
    EXPECT_EQ(opens[4].error, unsigned(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(opens[4].handle, 0u);
    EXPECT_EQ(opens[5].error, unsigned(ERROR_FILE_NOT_FOUND)) << "no Lintra driver";
}

TEST(DeviceAccess, ThreadsSharingOneHandleGetTheirOwnReplies) {
    InProcessBoards boards(TwoBoards());
    win::Device d = OpenNT();
    std::atomic<int> wrong{0};
    auto ask = [&](std::uint32_t board, std::uint32_t kind) {
        for (int i = 0; i < 300; ++i) {
            std::uint32_t info[7] = {};
            if (!d.control(QUORVI_GET_BOARD_INFO, &board, 4, info, sizeof info, nullptr) || info[0] != kind) ++wrong;
        }
    };
    std::thread a(ask, 0, 7), b(ask, 1, 9);
    a.join();
    b.join();
    EXPECT_EQ(wrong, 0);
}

TEST(DeviceAccess, AConnectionHandleServesAsTheCallerGotItOrDuplicated) {
    InProcessBoards boards(TwoBoards());
    HANDLE h = win::DeviceOpen(kDeviceNameNT, 0, 0, OPEN_EXISTING, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    HANDLE copy = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS));
    std::uint32_t board = 1, info[7] = {};
    EXPECT_TRUE(win::DeviceControl(h, QUORVI_GET_BOARD_INFO, &board, 4, info, sizeof info, nullptr));
    EXPECT_TRUE(win::DeviceControl(copy, QUORVI_GET_BOARD_INFO, &board, 4, info, sizeof info, nullptr));
    EXPECT_EQ(info[0], 9u);
    EXPECT_TRUE(CloseHandle(copy));
    EXPECT_TRUE(win::DeviceClose(h));
}

TEST(DeviceAccess, OpeningWhileOthersOpenAndCloseAlwaysFindsTheService) {
    InProcessBoards boards(TwoBoards());
    std::atomic<int> refused{0};
    auto churn = [&] {
        for (int i = 0; i < 100; ++i) {
            win::Device d = OpenNT();
            if (!d.valid()) ++refused;
        }
    };
    std::thread a(churn), b(churn), c(churn), d(churn);
    a.join();
    b.join();
    c.join();
    d.join();
    EXPECT_EQ(refused, 0);
}

TEST(DeviceAccess, RefusesOversizedRequestsWithoutSendingThem) {
    InProcessBoards boards(TwoBoards());
    win::Device d = OpenNT();
    std::vector<std::uint8_t> huge(win::devicepipe::kMaxBody + 1);
    EXPECT_FALSE(d.control(QUORVI_SYS_UPDATE, huge.data(), static_cast<DWORD>(huge.size()), nullptr, 0));
    EXPECT_EQ(GetLastError(), unsigned(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(boards.log().empty());
}

TEST(DeviceAccess, TheBoardsStandInOnlyWhereTheSwitchAsksForThem) {
    InProcessBoards boards(TwoBoards());
    ASSERT_TRUE(boards.serving());
    for (const char* value : {static_cast<const char*>(nullptr), "", "0", "yes", "11"}) {
        SwitchSetting off(value);
        win::Device d = OpenNT();
        EXPECT_FALSE(d.valid()) << (value ? value : "unset");
        EXPECT_EQ(GetLastError(), unsigned(ERROR_FILE_NOT_FOUND)) << "the real device's error";
    }
    EXPECT_TRUE(boards.opens().empty());
    SwitchSetting on("1");
    EXPECT_TRUE(OpenNT().valid());
}

PSID ThisUser(std::vector<std::uint8_t>& buffer) {
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    buffer.resize(size);
    GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
    CloseHandle(token);
    return reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
}

// Only this user may connect, and no one can take the name first: a
// program that does keeps the service from starting rather than serving
// beside it.
TEST(DeviceAccess, TheServicePipeAdmitsOnlyThisUserAndCannotBeTakenFirst) {
    std::vector<std::uint8_t> user;
    PSID me = ThisUser(user);
    {
        InProcessBoards boards;
        ASSERT_TRUE(boards.serving());
        HANDLE pipe = CreateFileA(win::devicepipe::kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
        ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
        PSID owner = nullptr;
        PACL dacl = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_EQ(GetSecurityInfo(pipe, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                  &owner, nullptr, &dacl, nullptr, &descriptor),
                  DWORD(ERROR_SUCCESS));
        EXPECT_TRUE(owner && EqualSid(owner, me));
        ASSERT_NE(dacl, nullptr) << "a null DACL admits everyone";
        ASSERT_EQ(dacl->AceCount, 1u);
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(GetAce(dacl, 0, reinterpret_cast<void**>(&ace)));
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_TRUE(EqualSid(reinterpret_cast<PSID>(&ace->SidStart), me));
        LocalFree(descriptor);
        CloseHandle(pipe);
    }
    HANDLE squatter = CreateNamedPipeA(win::devicepipe::kPipeName, PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE, 1, 4096,
                                       4096, 0, nullptr);
    ASSERT_NE(squatter, INVALID_HANDLE_VALUE);
    {
        InProcessBoards boards;
        EXPECT_FALSE(boards.serving());
    }
    CloseHandle(squatter);
    InProcessBoards boards;
    EXPECT_TRUE(boards.serving());
}

}  // namespace
