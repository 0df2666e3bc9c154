#include "win/Messages.h"
#include "testkit/MessageBoxCatcher.h"
#include "TestResources.h"
#include <gtest/gtest.h>

namespace {

TEST(Module, BoxesShowItsStringsUnderItsCaption) {
    win::Module module(win::ThisModule(), IDS_CAPTION);
    testkit::MessageBoxCatcher boxes;
    boxes.Expect(IDNO);
    boxes.Expect(IDOK);
    EXPECT_EQ(module.ShowMessage(IDS_CAPTION, MB_YESNO), IDNO);
    // The code is the caller's last error, taken before the box is made.
    SetLastError(0x1F);
    module.ReportRequestFailure(IDS_SET_PARAM_FAILED);
    auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].caption, "Layer Test");
    EXPECT_EQ(shown[0].text, "Layer Test");
    EXPECT_EQ(shown[1].caption, "Layer Test");
    EXPECT_EQ(shown[1].text, "Error: REQUEST failed with code 0x1f");
}

}  // namespace
