// The virtual boards stand in for missing boards only in programs started
// with the switch that asks for them: an applet started without it finds no
// boards while they are served, as an installed applet would.
#include <gtest/gtest.h>
#include <windows.h>

#include "testkit/MessageBoxCatcher.h"
#include "testkit/Process.h"
#include "testkit/Registry.h"
#include "testkit/Robot.h"
#include "testkit/SystemDir.h"
#include "vboard/InProcessBoards.h"

using namespace testkit;

namespace {

TEST(VirtualBoardsSwitch, WithoutItTheAppletFindsNoBoardsWhileTheyAreServed) {
    RegistrySandbox registry;
    SystemDirSandbox files{{"*.ssf"}};
    vboard::InProcessBoards boards;
    ASSERT_TRUE(boards.serving());
    MessageBoxCatcher caught;
    caught.Expect(IDOK);
    ChildProcess applet;
    {
        vboard::SwitchSetting off(nullptr);
        ASSERT_TRUE(applet.Start(ProgramDirectory() + "\\panel_applet_host.exe"));
    }
    caught.AlsoWatch(applet.Id());
    EXPECT_TRUE(applet.Wait(kRobotWaitMs));
    EXPECT_EQ(caught.Texts(), std::vector<std::string>{"No QUORVI or LINTRA boards found."});
    EXPECT_TRUE(boards.opens().empty());
}

}  // namespace
