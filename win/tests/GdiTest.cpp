#include "win/Gdi.h"
#include "win/Timer.h"
#include <gtest/gtest.h>

namespace {

TEST(Gdi, SelectionIsUndoneBeforeTheObjectIsDeleted) {
    win::WindowDC screen(nullptr);
    ASSERT_TRUE(screen);
    win::MemoryDC memory(screen.get());
    ASSERT_TRUE(memory);
    HGDIOBJ original = GetCurrentObject(memory.get(), OBJ_PEN);
    HPEN raw;
    {
        win::Pen pen(CreatePen(PS_SOLID, 1, RGB(255, 0, 0)));
        raw = pen.get();
        win::SelectedObject selected(memory.get(), pen.get());
        EXPECT_EQ(GetCurrentObject(memory.get(), OBJ_PEN), raw);
    }
    EXPECT_EQ(GetCurrentObject(memory.get(), OBJ_PEN), original);
    EXPECT_EQ(GetObjectType(raw), 0u) << "the pen must be deleted";
}

TEST(Timer, MovedTimerIsKilledOnce) {
    HWND hwnd = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                              nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    {
        win::Timer a(hwnd, 7, 10);
        ASSERT_TRUE(a.active());
        win::Timer b(std::move(a));
        EXPECT_FALSE(a.active());
        EXPECT_TRUE(b.active());
    }
    EXPECT_FALSE(KillTimer(hwnd, 7)) << "the timer must already be gone";
    DestroyWindow(hwnd);
}

}  // namespace
