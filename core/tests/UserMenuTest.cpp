// The user menu and the latency and clock queries through the real exports.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "testkit/Process.h"
#include "quorvi/QuorviCore.h"
#include "testkit/BroadcastSpy.h"
#include "testkit/MessageBoxCatcher.h"
#include "testkit/Registry.h"
#include "testkit/SystemDir.h"

using namespace quorvi;
using namespace testkit;

namespace {

const char kQuelmar[] = "Software\\Quelmar";

class UserMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        MessageBoxCatcher quiet;
        ASSERT_EQ(QuorviGetRegSettings(record.get(), 1), 1);
        for (const char* name : {"a.ssf", "b.ssf", "c.ssf", "abc.ssf"}) Save(name, name);
    }
    void Save(const char* name, const char* description) {
        SettingsRecord copy = *record;
        std::strcpy(copy.description, description);
        auto bytes = reinterpret_cast<const uint8_t*>(&copy);
        ASSERT_TRUE(WriteSystemFile(name, std::vector<uint8_t>(bytes, bytes + sizeof copy)));
    }
    std::vector<std::string> Names() {
        auto list = std::make_unique<UserMenuList>();
        QuorviGetUserMenu(list.get());
        return std::vector<std::string>(list->names, list->names + list->count);
    }
    // Notifications the tray would have received; they are sent, so each
    // has arrived when the call that sent it returns.
    size_t Notified() { return spy.Received("QUORVI UPDATE USER MENU").size(); }

    RegistrySandbox registry;
    SystemDirSandbox files{{"*.ssf"}};
    std::unique_ptr<SettingsRecord> record = std::make_unique<SettingsRecord>();
    BroadcastSpy spy;
};

TEST_F(UserMenuTest, AddMovesToTheEndAndNotifiesOnlyWhenTheListChanges) {
    auto list = std::make_unique<UserMenuList>();
    EXPECT_EQ(QuorviGetUserMenu(list.get()), 0);
    QuorviAddUserMenu("a.ssf");
    QuorviAddUserMenu("b.ssf");
    EXPECT_EQ(Notified(), 2u);
    // The tray picks entries by position: a new order must reach it.
    QuorviAddUserMenu("A.SSF");
    EXPECT_EQ(Names(), (std::vector<std::string>{"b.ssf", "A.SSF"}));
    EXPECT_EQ(Notified(), 3u);
    QuorviAddUserMenu("A.SSF");
    QuorviAddUserMenu("missing.ssf");
    EXPECT_EQ(Names(), (std::vector<std::string>{"b.ssf", "A.SSF"}));
    EXPECT_EQ(Notified(), 3u);

    EXPECT_EQ(QuorviGetUserMenu(list.get()), 1);
    EXPECT_STREQ(list->descriptions[0], "b.ssf");
    EXPECT_STREQ(list->descriptions[1], "a.ssf");
    auto stored = ReadRegValue(HKEY_CURRENT_USER, kQuelmar, "UserMenu");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(std::string(stored->data.begin(), stored->data.end()), std::string("b.ssf\0A.SSF\0\0", 13));
}

TEST_F(UserMenuTest, RemoveTakesEveryNameThatBeginsWithTheGivenOne) {
    QuorviAddUserMenu("abc.ssf");
    QuorviAddUserMenu("b.ssf");
    size_t before = Notified();
    QuorviRemoveUserMenu("zzz");
    EXPECT_EQ(Notified(), before);
    QuorviRemoveUserMenu("AB");
    EXPECT_EQ(Names(), std::vector<std::string>{"b.ssf"});
    EXPECT_EQ(Notified(), before + 1);
    QuorviRemoveUserMenu("");
    EXPECT_EQ(Names(), std::vector<std::string>{"b.ssf"});
}

TEST_F(UserMenuTest, VanishedFilesAndDamagedValuesDropOut) {
    // Seven at most; a name of a deleted file goes for good; an entry longer
    // than a path and an unterminated list are read only as far as they go.
    std::string value = "a.ssf";
    value += '\0';
    value += "gone.ssf";
    value += '\0';
    value += std::string(300, 'x');
    value += '\0';
    value += "..\\a.ssf";
    value += '\0';
    for (int i = 0; i < 6; ++i) value += std::string("b.ssf") + '\0';
    value += "c.ssf";  // no terminator at all
    ASSERT_TRUE(WriteRegValue(HKEY_CURRENT_USER, kQuelmar, "UserMenu", REG_MULTI_SZ, value.data(),
                              static_cast<DWORD>(value.size())));
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.ssf", "b.ssf", "b.ssf", "b.ssf"}));
    auto stored = ReadRegValue(HKEY_CURRENT_USER, kQuelmar, "UserMenu");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->data.size(), 4 * 6 + 1u);

    // A description without its terminator is cut to 81 characters.
    SettingsRecord copy = *record;
    std::memset(copy.description, 'D', sizeof copy.description);
    auto bytes = reinterpret_cast<const uint8_t*>(&copy);
    ASSERT_TRUE(WriteSystemFile("c.ssf", std::vector<uint8_t>(bytes, bytes + sizeof copy)));
    QuorviAddUserMenu("c.ssf");
    auto list = std::make_unique<UserMenuList>();
    ASSERT_EQ(QuorviGetUserMenu(list.get()), 1);
    ASSERT_EQ(list->count, 5);
    EXPECT_EQ(std::string(list->descriptions[4]), std::string(81, 'D'));

    // A file too short to hold a description is dropped too.
    ASSERT_TRUE(WriteSystemFile("short.ssf", std::vector<uint8_t>(17843, 'd')));
    QuorviAddUserMenu("short.ssf");
    EXPECT_EQ(Names().size(), 5u);
}

TEST_F(UserMenuTest, LongNamesNeverEmptyTheList) {
    // Seven names as long as a path allows take far more than a kilobyte.
    std::vector<std::string> names;
    for (char c = 'p'; c < 'p' + kUserMenuEntries; ++c) {
        names.push_back(std::string(200, c) + ".ssf");
        Save(names.back().c_str(), "long");
        QuorviAddUserMenu(names.back().c_str());
    }
    EXPECT_EQ(Names(), names);

    // A name too long for any file is never stored, not even for a moment.
    QuorviRemoveUserMenu(names[0].c_str());
    QuorviAddUserMenu(std::string(3000, 'z').c_str());
    EXPECT_EQ(Names(), std::vector<std::string>(names.begin() + 1, names.end()));
}

TEST(Latency, ValuesUnderTheDriversClassKey) {
    const std::string key = "CLSID\\{5C0C1E4D-0000-4000-8000-00000000C0DE}";
    std::vector<RegKey> keys = {{HKEY_CLASSES_ROOT, key}};
    RegistrySandbox sandbox(keys);
    DWORD latency = 7;
    EXPECT_EQ(QuorviSetBlockLatency(key.c_str(), 3, nullptr), 0);
    EXPECT_EQ(QuorviSetBlockLatency("", 3, nullptr), 0);
    EXPECT_EQ(QuorviGetBlockLatency(key.c_str(), &latency, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(latency, 7u);

    ASSERT_TRUE(WriteRegDword(HKEY_CLASSES_ROOT, key, "i_CoeffBLatency", 11));
    ChannelMaskSet masks = {{1, 2, 3, 4}, {5, 6, 7, 0x30000}};
    EXPECT_EQ(QuorviSetBlockLatency(key.c_str(), 512, &masks), 1);
    EXPECT_EQ(ReadRegDword(HKEY_CLASSES_ROOT, key, "BlockLatency"), 512u);
    DWORD inCoeff = 0, outCoeff = 99;
    ChannelMaskSet back{};
    EXPECT_EQ(QuorviGetBlockLatency(key.c_str(), &latency, &inCoeff, &outCoeff, nullptr, nullptr, &back), 1);
    EXPECT_EQ(latency, 512u);
    EXPECT_EQ(inCoeff, 11u);
    EXPECT_EQ(outCoeff, 99u);  // missing: left as it was
    EXPECT_EQ(std::memcmp(&back, &masks, sizeof masks), 0);
    auto raw = ReadRegValue(HKEY_CLASSES_ROOT, key, "RsrvChannels");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(raw->data.size(), 32u);
}

TEST(MasterClock, ReadsAndWritesTheMasterBoardsClockOfItsFormat) {
    RegistrySandbox registry;
    SystemDirSandbox files{{"*.ssf"}};
    auto record = std::make_unique<SettingsRecord>();
    MessageBoxCatcher catcher;
    EXPECT_EQ(QuorviGetMasterClock(), 3);
    ASSERT_EQ(QuorviGetRegSettings(record.get(), 1), 1);
    record->device.masterBoard = 9;  // from a damaged file: the last board
    record->device.boards[3].format = 2;
    record->device.boards[3].mainClock[2] = 4;
    ASSERT_EQ(QuorviSetRegSettings(record.get()), 1);
    EXPECT_EQ(QuorviGetMasterClock(), 4);

    // Without a driver the update fails and says so; the clock is stored.
    catcher.Expect(IDOK);
    EXPECT_EQ(QuorviSetMasterClock(0x103, INVALID_HANDLE_VALUE), 0);
    EXPECT_EQ(QuorviGetMasterClock(), 3);
    EXPECT_TRUE(catcher.WaitForBoxes(1));
    EXPECT_EQ(catcher.Texts().size(), 1u);

    // A format past the per-format arrays is refused: nothing is written.
    record->device.boards[3].format = 200;
    ASSERT_EQ(QuorviSetRegSettings(record.get()), 1);
    auto before = ReadSystemFile("factory.ssf");
    EXPECT_EQ(QuorviGetMasterClock(), 0);
    EXPECT_EQ(QuorviSetMasterClock(4, INVALID_HANDLE_VALUE), 0);
    EXPECT_EQ(ReadSystemFile("factory.ssf"), before);
}

TEST_F(UserMenuTest, WinesRegToolReadsTheValuesAsWritten) {
    std::strcpy(record->fileName, "a.ssf");
    ASSERT_EQ(QuorviSetRegSettings(record.get()), 1);
    QuorviAddUserMenu("a.ssf");
    QuorviAddUserMenu("b.ssf");
    const std::string key = "CLSID\\{5C0C1E4D-0000-4000-8000-00000000C0DF}";
    RegistrySandbox clsid({{HKEY_CLASSES_ROOT, key}});
    ASSERT_TRUE(WriteRegDword(HKEY_CLASSES_ROOT, key, "BlockLatency", 0));
    ChannelMaskSet masks = {{0xFF, 0, 0, 0}, {0x30000, 0, 0, 0}};
    ASSERT_EQ(QuorviSetBlockLatency(key.c_str(), 512, &masks), 1);

    EXPECT_EQ(RegQuery("HKCU\\Software\\Quelmar\\Setups", "Current"), "Current|REG_SZ|a.ssf");
    EXPECT_EQ(RegQuery("HKCU\\Software\\Quelmar", "UserMenu"), "UserMenu|REG_MULTI_SZ|a.ssf\\0b.ssf");
    EXPECT_EQ(RegQuery("HKCR\\" + key, "BlockLatency"), "BlockLatency|REG_DWORD|0x200");
    EXPECT_EQ(RegQuery("HKCR\\" + key, "RsrvChannels"),
              "RsrvChannels|REG_BINARY|FF00000000000000000000000000000000000300000000000000000000000000");

}

}  // namespace
