// The equaliser page in a real property frame, over effects that record what
// the page writes to them.
#include "HostKit.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <olectl.h>

#include "resource.h"
#include "testkit/Robot.h"

using namespace audioxhost;
using Write = TestEqualiser::Write;

namespace {

class EqPageTest : public ::testing::Test {
protected:
    // The page's class is offered to COM from the loaded plug-in, so the
    // frame finds it as it would find a registered one.
    void SetUp() override {
        ASSERT_TRUE(plugin.loaded());
        ASSERT_EQ(plugin.Register(), S_OK);
        std::optional<CLSID> id = ClassOfProgId(L"AudxMixer.EqPage");
        ASSERT_EQ(plugin.Unregister(), S_OK);
        ASSERT_TRUE(id);
        pageClass = *id;
        ASSERT_EQ(plugin.ClassObject(pageClass, factory), S_OK);
        ASSERT_EQ(CoRegisterClassObject(pageClass, factory.get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
                  S_OK);
    }
    void TearDown() override {
        if (cookie) CoRevokeClassObject(cookie);
    }

    ComPtr<IPropertyPage> NewPage() {
        ComPtr<IPropertyPage> page;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPropertyPage, page.putVoid()), S_OK);
        return page;
    }

    // Runs the frame over both effects while the script drives it.
    void InFrame(const std::function<void(HWND frame)>& script) {
        IUnknown* objects[] = {left.get(), right.get()};
        HRESULT result = E_FAIL;
        testkit::RunWhile(
            [&] { result = OleCreatePropertyFrame(nullptr, 10, 10, L"Test", 2, objects, 1, &pageClass, 0, 0, nullptr); },
            [&] {
                HWND frame = testkit::WaitForTopWindow("#32770", "", testkit::kRobotWaitMs, GetCurrentProcessId());
                if (frame) script(frame);
            });
        EXPECT_EQ(result, S_OK);
    }

    win::ComApartment apartment;
    PluginModule plugin{PluginPath()};
    CLSID pageClass{};
    ComPtr<IClassFactory> factory;
    DWORD cookie = 0;
    ComPtr<TestEqualiser> left = TestEqualiser::Create(), right = TestEqualiser::Create();
};

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// A mouse drag on a slider's thumb, `steps` moves of `dy` pixels, reading the
// value text after each move.
std::vector<std::string> Drag(HWND slider, HWND text, int steps, int dy) {
    RECT thumb{};
    SendMessageA(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    POINT at = Centre(thumb);
    SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    std::vector<std::string> seen;
    for (int i = 1; i <= steps; ++i) {
        SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(at.x, at.y + i * dy));
        seen.push_back(testkit::GetText(text));
    }
    SendMessageA(slider, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y + steps * dy));
    return seen;
}

std::string Position(HWND slider) {
    return std::to_string(SendMessageA(slider, TBM_GETPOS, 0, 0));
}

}  // namespace

TEST_F(EqPageTest, EffectsOfAnotherVersionOrWithoutTheEqualiserAreRefused) {
    ComPtr<IPropertyPage> page = NewPage();
    ComPtr<TestEqualiser> newer = TestEqualiser::Create(0x00020000);
    IUnknown* mixed[] = {left.get(), newer.get()};
    EXPECT_EQ(page->SetObjects(2, mixed), E_NOINTERFACE);
    IUnknown* notAnEffect[] = {factory.get()};
    EXPECT_EQ(page->SetObjects(1, notAnEffect), E_NOINTERFACE);
    EXPECT_EQ(page->SetObjects(1, nullptr), E_POINTER);
    IUnknown* good[] = {left.get(), right.get()};
    EXPECT_EQ(page->SetObjects(2, good), S_OK);
    EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);

    PROPPAGEINFO info{};
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_STREQ(info.pszTitle, L"1 Band Equalizer");
    EXPECT_GT(info.size.cx, 0);
    EXPECT_GT(info.size.cy, 0);
    CoTaskMemFree(info.pszTitle);
}

TEST_F(EqPageTest, DraggingTheFrequencyMovesOnlyTheTextUntilReleasedThenWritesOnce) {
    InFrame([&](HWND frame) {
        HWND slider = testkit::Control(frame, IDC_EQ_FREQUENCY);
        HWND text = testkit::Control(frame, IDC_EQ_FREQUENCY_TEXT);
        EXPECT_EQ(testkit::GetText(text), "1000") << "the effect's value";
        EXPECT_TRUE(testkit::IsEnabled(slider));
        std::vector<std::string> seen = Drag(slider, text, 3, 12);
        ASSERT_EQ(seen.size(), 3u);
        EXPECT_NE(seen[0], "1000");
        EXPECT_NE(seen[2], seen[0]) << "the text follows the thumb";
        EXPECT_EQ(testkit::GetText(text), Position(slider));
        LONG frequency = std::stol(Position(slider));
        std::vector<Write> once = {{AX_EQ_FREQUENCY, frequency}};
        EXPECT_EQ(left->writes, once);
        EXPECT_EQ(right->writes, once);
        EXPECT_EQ(left->values[AX_EQ_FREQUENCY], frequency);
        left->writes.clear();
        right->writes.clear();
        testkit::PostClick(testkit::Control(frame, IDCANCEL));
    });
}

TEST_F(EqPageTest, BypassDisablesTheOtherControlsAndWritesOnlyBypass) {
    InFrame([&](HWND frame) {
        HWND bypass = testkit::Control(frame, IDC_EQ_BYPASS);
        testkit::Click(bypass);
        std::vector<Write> bypassed = {{AX_EQ_BYPASS, 1}};
        EXPECT_EQ(left->writes, bypassed);
        EXPECT_EQ(right->writes, bypassed);
        for (int id : {IDC_EQ_PEAKING, IDC_EQ_BANDPASS, IDC_EQ_FREQUENCY, IDC_EQ_GAIN, IDC_EQ_Q}) {
            EXPECT_FALSE(testkit::IsEnabled(testkit::Control(frame, id))) << id;
        }
        testkit::Click(bypass);
        EXPECT_TRUE(testkit::IsEnabled(testkit::Control(frame, IDC_EQ_Q)));
        testkit::Click(testkit::Control(frame, IDC_EQ_BANDPASS));
        EXPECT_EQ(left->writes.back(), (Write{AX_EQ_TYPE, AX_EQ_BAND_PASS}));
        left->writes.clear();
        testkit::PostClick(testkit::Control(frame, IDCANCEL));
    });
    // Cancel took everything back.
    EXPECT_EQ(left->values[AX_EQ_BYPASS], 0);
    EXPECT_EQ(left->values[AX_EQ_TYPE], AX_EQ_PEAKING);
}

TEST_F(EqPageTest, CancelAfterMovingTheGainWritesTheOldValuesBackToEveryEffect) {
    InFrame([&](HWND frame) {
        HWND gain = testkit::Control(frame, IDC_EQ_GAIN);
        EXPECT_EQ(testkit::GetText(testkit::Control(frame, IDC_EQ_GAIN_TEXT)), "6");
        Drag(gain, testkit::Control(frame, IDC_EQ_GAIN_TEXT), 2, 20);
        EXPECT_NE(left->values[AX_EQ_GAIN], 6);
        left->writes.clear();
        right->writes.clear();
        testkit::PostClick(testkit::Control(frame, IDCANCEL));
    });
    std::vector<Write> restored = {
        {AX_EQ_TYPE, AX_EQ_PEAKING}, {AX_EQ_BYPASS, 0}, {AX_EQ_FREQUENCY, 1000}, {AX_EQ_GAIN, 6}, {AX_EQ_Q, 2}};
    EXPECT_EQ(left->writes, restored);
    EXPECT_EQ(right->writes, restored);
}

// Wine's frame never applies its pages, so Apply is driven here as a frame
// on Windows drives it: after it, the page going away takes nothing back.
TEST_F(EqPageTest, AppliedValuesStayWhenThePageGoes) {
    ComPtr<IPropertyPage> page = NewPage();
    IUnknown* objects[] = {left.get()};
    ASSERT_EQ(page->SetObjects(1, objects), S_OK);
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    RECT area{0, 0, 400, 300};
    ASSERT_EQ(page->Activate(parent, &area, TRUE), S_OK);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    HWND q = testkit::Control(parent, IDC_EQ_Q);
    SendMessageA(q, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(q, WM_KEYUP, VK_DOWN, 0);
    ASSERT_EQ(left->writes.size(), 1u);
    EXPECT_EQ(left->writes[0].id, unsigned(AX_EQ_Q));
    EXPECT_EQ(page->IsPageDirty(), S_OK);
    EXPECT_EQ(page->Apply(), S_OK);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(page->Deactivate(), S_OK);
    EXPECT_EQ(left->writes.size(), 1u);
    EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
    DestroyWindow(parent);
}
