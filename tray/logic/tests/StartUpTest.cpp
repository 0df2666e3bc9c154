// What the tray shows at start-up and offers in its menu.
#include <gtest/gtest.h>

#include "MonitorText.h"
#include "StartUpErrors.h"
#include "TrayMenu.h"
#include "resource.h"

using namespace tray;

namespace {

std::vector<UINT> Ids(const std::vector<TrayMenuItem>& items) {
    std::vector<UINT> ids;
    for (const TrayMenuItem& item : items) ids.push_back(item.id);
    return ids;
}

constexpr TrayWindows kAllWindows{true, true, true, true};

}  // namespace

TEST(BootResults, WalkSkipsFFStopsAtZeroAndNamesUndefinedValues) {
    auto results = WalkBootResults(0x0000FF03);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].board, 1);
    EXPECT_EQ(results[0].textId, 104u);

    results = WalkBootResults(0x0E01FF0F);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].textId, static_cast<unsigned>(IDS_BOOT_RESULT_UNDEFINED));
    EXPECT_EQ(results[1].board, 3);
    EXPECT_EQ(results[1].textId, 102u);
    EXPECT_EQ(results[2].board, 4);
    EXPECT_EQ(results[2].textId, 115u);

    EXPECT_TRUE(WalkBootResults(0xFFFFFFFF).empty());
    EXPECT_TRUE(WalkBootResults(0x01010100).empty()) << "a zero first byte ends the walk at once";
}

TEST(MessageTexts, PlaceholdersTakeTheValuesInOrderAndNothingElse) {
    EXPECT_EQ(FillText("Board %d-%s", {"2", "gone"}), "Board 2-gone");
    EXPECT_EQ(FillText("100%% %d %d %x", {"1"}), "100% 1 %d %x") << "missing values leave the pattern";
    const BusySnapshot busy{true, false, true, 2, 0};
    EXPECT_EQ(UpdateTimeoutText("Timer: %d Status: %d Meters: %d Faders: %d Punch: %d", busy),
              "Timer: 1 Status: 0 Meters: 2 Faders: 0 Punch: 1");
}

TEST(StartUpErrors, OnlyTheFirstFailureIsHeldUntilStartUpCompletes) {
    StartUpErrors errors;
    EXPECT_FALSE(errors.ShowNow("first"));
    EXPECT_FALSE(errors.ShowNow("second"));
    EXPECT_EQ(errors.Complete(), "first");
    EXPECT_TRUE(errors.ShowNow("later"));
    EXPECT_EQ(errors.Complete(), std::nullopt);
}

TEST(TrayMenu, OneBoardHasPlainItemsAndCloseHasAnIdOfItsOwn) {
    const auto items = PlanTrayMenu({1, false, {}});
    EXPECT_EQ(Ids(items), (std::vector<UINT>{ID_MENU_HEADER, 0, ID_SHOW_STATUS, ID_CLEAR_ERROR,
                                             ID_OPEN_CONTROL_PANEL, ID_SHOW_METERS, ID_SHOW_MIXER, 0,
                                             ID_CLOSE_TRAY}));
    EXPECT_EQ(items.back().textId, static_cast<UINT>(IDS_CLOSE_TRAY));
    EXPECT_EQ(ParseTrayCommand(ID_CLOSE_TRAY).command, TrayCommand::Close);
    EXPECT_EQ(ParseTrayCommand(ID_SHOW_METERS_1).command, TrayCommand::Meters)
        << "the first board's meters keep their id";
}

TEST(TrayMenu, SeveralBoardsGetNumberedItemsThatOpenTheirBoard) {
    const auto items = PlanTrayMenu({3, false, {}});
    EXPECT_EQ(Ids(items), (std::vector<UINT>{ID_MENU_HEADER, 0, ID_SHOW_STATUS, ID_CLEAR_ERROR,
                                             ID_OPEN_CONTROL_PANEL, ID_SHOW_METERS_1, ID_SHOW_METERS_2,
                                             ID_SHOW_METERS_3, ID_SHOW_MIXER_1, ID_SHOW_MIXER_2,
                                             ID_SHOW_MIXER_3, 0, ID_CLOSE_TRAY}));
    EXPECT_EQ(ParseTrayCommand(ID_SHOW_MIXER_2).index, 1);
    EXPECT_EQ(ParseTrayCommand(ID_SHOW_MIXER_3).index, 2);
    EXPECT_EQ(ParseTrayCommand(ID_SHOW_MIXER_4).index, 3);
    EXPECT_EQ(ParseTrayCommand(ID_SHOW_METERS_4).index, 3);
    EXPECT_EQ(ParseTrayCommand(ID_SHOW_MIXER).index, 0);
}

TEST(TrayMenu, PunchAndUserSetupsWhenOfferedAndOnlyEightSetupsChoosable) {
    std::vector<std::string> setups;
    for (int i = 0; i < 9; ++i) setups.push_back("Setup " + std::to_string(i));
    const auto items = PlanTrayMenu({1, true, setups});
    const std::vector<UINT> ids = Ids(items);
    const std::vector<UINT> tail(ids.begin() + 8, ids.end());
    std::vector<UINT> expected{ID_PUNCH, 0, ID_USER_SETUPS_HEADER, 0};
    for (UINT n = 0; n < 9; ++n) expected.push_back(ID_USER_SETUP_FIRST + n);
    expected.insert(expected.end(), {0, ID_CLOSE_TRAY});
    EXPECT_EQ(tail, expected);
    EXPECT_EQ(items[12].text, "Setup 0");
    EXPECT_EQ(items[12].textId, 0u);

    EXPECT_EQ(ParseTrayCommand(ID_USER_SETUP_FIRST + 7).index, 7);
    EXPECT_TRUE(TrayCommandEnabled(ID_USER_SETUP_FIRST + 7, false, {}));
    EXPECT_FALSE(TrayCommandEnabled(ID_USER_SETUP_FIRST + 8, false, kAllWindows));
}

TEST(TrayMenu, EnablingFollowsTheLatchAndTheWindowsThereAre) {
    EXPECT_FALSE(TrayCommandEnabled(ID_MENU_HEADER, true, kAllWindows));
    EXPECT_FALSE(TrayCommandEnabled(ID_USER_SETUPS_HEADER, true, kAllWindows));
    EXPECT_FALSE(TrayCommandEnabled(ID_CLEAR_ERROR, false, kAllWindows));
    EXPECT_TRUE(TrayCommandEnabled(ID_CLEAR_ERROR, true, {}));
    for (UINT id : {ID_SHOW_STATUS, ID_SHOW_METERS, ID_SHOW_MIXER_3, ID_PUNCH}) {
        EXPECT_TRUE(TrayCommandEnabled(id, false, kAllWindows)) << id;
        EXPECT_FALSE(TrayCommandEnabled(id, false, {})) << id;
    }
    EXPECT_TRUE(TrayCommandEnabled(ID_OPEN_CONTROL_PANEL, false, {}));
    EXPECT_TRUE(TrayCommandEnabled(ID_CLOSE_TRAY, false, {}));
}
