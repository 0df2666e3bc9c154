#include "win/ExceptionGuard.h"
#include "win/Messages.h"
#include "win/RegisteredMessage.h"
#include "TestResources.h"
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

TEST(FormatErrorCode, FormatsTheCodeOnceAndNothingElse) {
    EXPECT_EQ(win::FormatErrorCode("Error: QUORVI_SET_PARAM failed with code 0x%lx", 0x1F),
              "Error: QUORVI_SET_PARAM failed with code 0x1f");
    EXPECT_EQ(win::FormatErrorCode("code %08lX", 0xABC), "code 00000ABC");
    EXPECT_EQ(win::FormatErrorCode("code %d", 0xFFFFFFFF), "code -1");
    EXPECT_EQ(win::FormatErrorCode("code %lu", 0xFFFFFFFF), "code 4294967295");
    // Conversions that would read arguments nobody passed stay as text.
    EXPECT_EQ(win::FormatErrorCode("%s at %lx then %lx, 100%%", 5), "%s at 5 then %lx, 100%");
    EXPECT_EQ(win::FormatErrorCode("%99999lx%", 1), "%99999lx%");
    EXPECT_EQ(win::FormatErrorCode("no conversion", 1), "no conversion");
}

TEST(FormatPlaceholders, SubstitutesNumberedTexts) {
    EXPECT_EQ(win::FormatPlaceholders("Please enter an integer between %1 and %2.", {"-5", "10"}),
              "Please enter an integer between -5 and 10.");
    EXPECT_EQ(win::FormatPlaceholders("%2%1 %3 50%%", {"a", "b"}), "ba %3 50%");
}

TEST(Module, LoadsStringsAndCaptionFromItsTable) {
    win::Module byId(win::ThisModule(), IDS_CAPTION);
    win::Module byText(win::ThisModule(), std::string("Fixed"));
    EXPECT_EQ(byId.caption(), "Layer Test");
    EXPECT_EQ(byText.caption(), "Fixed");
    EXPECT_EQ(byId.String(IDS_SET_PARAM_FAILED), "Error: REQUEST failed with code 0x%lx");
    EXPECT_EQ(byId.String(IDS_LONG).size(), 280u) << "long strings must not be cut";
    EXPECT_EQ(byId.String(999), "");
}

TEST(RunGuarded, ReturnsTheFallbackWhenAnExceptionEndsTheBody) {
    EXPECT_EQ(win::RunGuarded(0, [] { return 1; }), 1);
    EXPECT_EQ(win::RunGuarded(0, []() -> int { throw std::runtime_error("x"); }), 0);
    EXPECT_EQ(win::RunGuarded(7L, []() -> long { throw 3; }), 7L);
}

// Records the registered messages that reach one top-level window.
struct Listener {
    static inline UINT seen = 0;
    static inline WPARAM seenW = 0;
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        if (m >= 0xC000) seen = m, seenW = w;
        return DefWindowProcA(h, m, w, l);
    }
};

TEST(RegisteredMessage, SameNameSameNumberAndBroadcastsArrive) {
    win::RegisteredMessage a("WINLAYER TEST MESSAGE");
    win::RegisteredMessage b("WINLAYER TEST MESSAGE");
    ASSERT_NE(a.id(), 0u);
    EXPECT_EQ(a.id(), b.id());
    EXPECT_TRUE(a.is(b.id()));
    EXPECT_FALSE(a.is(WM_USER));

    WNDCLASSA wc{};
    wc.lpfnWndProc = Listener::Proc;
    wc.hInstance = win::ThisModule();
    wc.lpszClassName = "WinLayerListener";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowA("WinLayerListener", "", WS_POPUP, 0, 0, 1, 1, nullptr,
                              nullptr, win::ThisModule(), nullptr);
    ASSERT_NE(hwnd, nullptr);

    // A sent broadcast has been handled when Send returns.
    Listener::seen = 0;
    EXPECT_TRUE(a.Send(11, 0));
    EXPECT_EQ(Listener::seen, a.id());
    EXPECT_EQ(Listener::seenW, 11u);

    // A posted broadcast is already in this thread's queue when Post returns.
    Listener::seen = 0;
    EXPECT_TRUE(a.Post(12, 0));
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    EXPECT_EQ(Listener::seen, a.id());
    EXPECT_EQ(Listener::seenW, 12u);
    DestroyWindow(hwnd);
}

}  // namespace
