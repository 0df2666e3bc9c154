// The settings store through the real quorvicore, and the real program
// driven by the robot.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "LatencyStore.h"
#include "quorvi/QuorviCore.h"
#include "resource.h"
#include "testkit/MessageBoxCatcher.h"
#include "testkit/Process.h"
#include "testkit/Registry.h"
#include "testkit/Robot.h"
#include "testkit/SystemDir.h"
#include "win/RegKey.h"

using namespace asiopanel;

namespace {

constexpr Interface kAll[] = {Interface::Asio, Interface::Easi, Interface::Gsif};
const char* const kCaption = "Latency & Channel Reservation";

std::vector<testkit::RegKey> DriverKeys() {
    std::vector<testkit::RegKey> keys;
    for (Interface i : kAll) keys.push_back({HKEY_CLASSES_ROOT, driverKey(i)});
    return keys;
}

std::optional<DWORD> StoredLatency(Interface i) {
    return testkit::ReadRegDword(HKEY_CLASSES_ROOT, driverKey(i), "BlockLatency");
}

std::optional<quorvi::ChannelMaskSet> StoredMasks(Interface i) {
    auto value = testkit::ReadRegValue(HKEY_CLASSES_ROOT, driverKey(i), "RsrvChannels");
    if (!value || value->type != REG_BINARY || value->data.size() != sizeof(quorvi::ChannelMaskSet))
        return std::nullopt;
    quorvi::ChannelMaskSet masks;
    std::memcpy(&masks, value->data.data(), sizeof masks);
    return masks;
}

bool SameMasks(const quorvi::ChannelMaskSet& a, const quorvi::ChannelMaskSet& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class DriverKeysTest : public ::testing::Test {
protected:
    void CreateKeys() {
        for (Interface i : kAll) ASSERT_TRUE(win::RegKey::Create(HKEY_CLASSES_ROOT, driverKey(i)).valid());
    }
    testkit::RegistrySandbox sandbox_{DriverKeys()};
};

// The program on its own process, with its dialog found.
class Program {
public:
    explicit Program(const std::string& args) {
        started_ = child_.Start(testkit::ProgramDirectory() + "\\asiopanel.exe", args);
        EXPECT_TRUE(started_);
        if (started_) dialog_ = testkit::WaitForTopWindow("", kCaption, testkit::kRobotWaitMs, child_.Id());
    }
    HWND operator[](int id) const { return testkit::Control(dialog_, id); }
    bool Ticked(int id) const { return testkit::GetCheck((*this)[id]) == BST_CHECKED; }
    HWND dialog() const { return dialog_; }
    DWORD id() const { return child_.Id(); }
    // Presses a button that ends the dialog; the program's exit code, or
    // STILL_ACTIVE when it did not end.
    DWORD CloseWith(int id) {
        testkit::Click((*this)[id]);
        child_.Wait(testkit::kRobotWaitMs);
        return child_.ExitCode();
    }

private:
    testkit::ChildProcess child_;
    bool started_ = false;
    HWND dialog_ = nullptr;
};

}  // namespace

TEST_F(DriverKeysTest, StoredLatenciesOutOfRangeAreReadAndStoredAsTheDefault) {
    CreateKeys();
    const quorvi::ChannelMaskSet masks{{0x1, 0x2, 0x3, 0x4}, {0x10000, 0, 0, 0xFF}};
    ASSERT_TRUE(testkit::WriteRegDword(HKEY_CLASSES_ROOT, driverKey(Interface::Gsif), "BlockLatency", 8));
    ASSERT_TRUE(testkit::WriteRegDword(HKEY_CLASSES_ROOT, driverKey(Interface::Asio), "BlockLatency", 1000));
    ASSERT_TRUE(testkit::WriteRegDword(HKEY_CLASSES_ROOT, driverKey(Interface::Asio), "o_CoeffBLatency", 2));
    ASSERT_TRUE(testkit::WriteRegDword(HKEY_CLASSES_ROOT, driverKey(Interface::Asio), "o_ConstSLatency", 32));
    ASSERT_TRUE(testkit::WriteRegValue(HKEY_CLASSES_ROOT, driverKey(Interface::Easi), "RsrvChannels",
                                       REG_BINARY, &masks, sizeof masks));

    ReservationModel model;
    loadSettings(model);
    EXPECT_EQ(model.settings(Interface::Gsif).blockLatency, 48u);
    EXPECT_EQ(model.settings(Interface::Easi).blockLatency, 48u);
    EXPECT_EQ(model.settings(Interface::Asio).blockLatency, 1000u);
    EXPECT_EQ(model.latencyText48k(), "2667.3 ms");  // 32 + 1000 * 2 * 64 samples
    EXPECT_TRUE(SameMasks(model.settings(Interface::Easi).reservation, masks));

    storeSettings(model);
    EXPECT_EQ(StoredLatency(Interface::Gsif), 48u);
    EXPECT_EQ(StoredLatency(Interface::Asio), 1000u);
    ASSERT_TRUE(StoredMasks(Interface::Easi));
    EXPECT_TRUE(SameMasks(*StoredMasks(Interface::Easi), masks));
    ASSERT_TRUE(StoredMasks(Interface::Asio));
    EXPECT_TRUE(SameMasks(*StoredMasks(Interface::Asio), quorvi::ChannelMaskSet{}));
}

// Installers and other tools write these keys too: values of the wrong
// size or type must neither be taken nor break the ones stored back.
TEST_F(DriverKeysTest, MalformedValuesAreIgnoredAndStoredBackWhole) {
    CreateKeys();
    const std::vector<BYTE> shortMasks(16, 0xFF), longMasks(40, 0xFF), twoBytes{0x40, 0};
    const char text[] = "512";  // four bytes with its NUL, the size of a DWORD
    const auto write = [](Interface i, const char* name, DWORD type, const void* data, size_t size) {
        ASSERT_TRUE(testkit::WriteRegValue(HKEY_CLASSES_ROOT, driverKey(i), name, type, data,
                                           static_cast<DWORD>(size)));
    };
    write(Interface::Asio, "RsrvChannels", REG_BINARY, shortMasks.data(), shortMasks.size());
    write(Interface::Easi, "RsrvChannels", REG_BINARY, longMasks.data(), longMasks.size());
    write(Interface::Asio, "BlockLatency", REG_SZ, text, sizeof text);
    write(Interface::Easi, "BlockLatency", REG_BINARY, twoBytes.data(), twoBytes.size());
    write(Interface::Easi, "o_CoeffBLatency", REG_BINARY, longMasks.data(), 8);

    ReservationModel model;
    loadSettings(model);
    for (Interface i : {Interface::Asio, Interface::Easi}) {
        SCOPED_TRACE(static_cast<int>(i));
        EXPECT_EQ(model.settings(i).blockLatency, 48u);
        EXPECT_EQ(model.settings(i).outputCoefficient, 0u);
        EXPECT_TRUE(SameMasks(model.settings(i).reservation, quorvi::ChannelMaskSet{}));
    }

    storeSettings(model);
    for (Interface i : kAll) {
        SCOPED_TRACE(static_cast<int>(i));
        EXPECT_EQ(StoredLatency(i), 48u);
        ASSERT_TRUE(StoredMasks(i));
        EXPECT_TRUE(SameMasks(*StoredMasks(i), quorvi::ChannelMaskSet{}));
    }
}

TEST_F(DriverKeysTest, DriversNotInstalledKeepTheDefaultsAndGetNoKey) {
    ReservationModel model;
    loadSettings(model);
    for (Interface i : kAll) EXPECT_EQ(model.settings(i).blockLatency, 48u);
    model.reserveAll();
    EXPECT_TRUE(storeSettings(model).empty());
    for (Interface i : kAll) EXPECT_FALSE(testkit::RegKeyExists(HKEY_CLASSES_ROOT, driverKey(i)));
}

TEST_F(DriverKeysTest, OkTellsWhichInstalledDriversKeepTheirOldSettings) {
    CreateKeys();
    Program program("");
    ASSERT_TRUE(program.dialog());
    testkit::MessageBoxCatcher boxes;
    boxes.AlsoWatch(program.id());
    boxes.Expect(IDOK);
    ASSERT_TRUE(testkit::DeleteRegTree(HKEY_CLASSES_ROOT, driverKey(Interface::Easi)));
    ASSERT_TRUE(testkit::DeleteRegTree(HKEY_CLASSES_ROOT, driverKey(Interface::Gsif)));
    EXPECT_EQ(program.CloseWith(IDOK), 1u);
    EXPECT_EQ(boxes.Texts(),
              std::vector<std::string>{"The latency and channel reservation could not be stored for EASI, GSIF."});
    EXPECT_EQ(StoredLatency(Interface::Asio), 48u);
}

TEST_F(DriverKeysTest, CommandLineChoosesTheInterfaceAndCancelStoresNothing) {
    CreateKeys();
    struct Case { const char* args; int radio; const char* allUnused; };
    for (Case c : {Case{"ASIO", IDC_ASIO, "All Unused by EASI and GSIF"},
                   Case{"/easi", IDC_EASI, "All Unused by ASIO and GSIF"}}) {
        SCOPED_TRACE(c.args);
        Program program(c.args);
        ASSERT_TRUE(program.dialog());
        EXPECT_TRUE(program.Ticked(c.radio));
        EXPECT_EQ(testkit::GetText(program[IDC_ALL_UNUSED]), c.allUnused);
        EXPECT_EQ(testkit::GetText(program[IDC_LATENCY_EDIT]), "48");
        testkit::TypeText(program[IDC_LATENCY_EDIT], "500");
        testkit::Click(program[IDC_ALL]);
        EXPECT_TRUE(program.Ticked(IDC_INPUT_BIT0 + 15));
        EXPECT_EQ(program.CloseWith(IDCANCEL), 0u);
    }
    for (Interface i : kAll) {
        EXPECT_FALSE(StoredLatency(i));
        EXPECT_FALSE(StoredMasks(i));
    }
}

TEST_F(DriverKeysTest, AboutBoxFromTheSystemMenu) {
    Program program("");
    ASSERT_TRUE(program.dialog());
    DWORD process = 0;
    GetWindowThreadProcessId(program.dialog(), &process);
    PostMessageA(program.dialog(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = testkit::WaitForTopWindow("", "About ASIOPANEL", testkit::kRobotWaitMs, process);
    ASSERT_TRUE(about);
    EXPECT_TRUE(FindWindowExA(about, nullptr, "Static", "ASIOPANEL Version 1.0"));
    testkit::Click(testkit::Control(about, IDOK));
    EXPECT_TRUE(testkit::WaitUntil([&] { return !IsWindow(about); }));
    EXPECT_EQ(program.CloseWith(IDCANCEL), 0u);
}

TEST_F(DriverKeysTest, OkStoresAllThreeInterfaces) {
    CreateKeys();
    Program program("");
    ASSERT_TRUE(program.dialog());
    EXPECT_TRUE(program.Ticked(IDC_ASIO));

    // ASIO: input A1 and monitor L of board 1, everything of board 2, 2000 blocks.
    testkit::SetCheck(program[IDC_INPUT_BIT0], true);
    testkit::SetCheck(program[IDC_OUTPUT_BIT0 + 16], true);
    testkit::TypeText(program[IDC_LATENCY_EDIT], "2000");
    EXPECT_EQ(testkit::GetText(program[IDC_LATENCY_EDIT]), "1024");
    testkit::TypeText(program[IDC_LATENCY_EDIT], "1");
    EXPECT_EQ(testkit::GetText(program[IDC_LATENCY_EDIT]), "2");
    testkit::TypeText(program[IDC_LATENCY_EDIT], "5000");
    ASSERT_TRUE(testkit::SelectTab(program[IDC_BOARD_TAB], 1));
    EXPECT_FALSE(program.Ticked(IDC_INPUT_BIT0));
    testkit::Click(program[IDC_ALL]);

    // EASI on board 2 gets what ASIO leaves: nothing. On board 1 all but A1 and L.
    testkit::Click(program[IDC_EASI]);
    EXPECT_EQ(testkit::GetText(program[IDC_LATENCY_EDIT]), "48");
    EXPECT_EQ(testkit::GetText(program[IDC_ALL_UNUSED]), "All Unused by ASIO and GSIF");
    EXPECT_FALSE(program.Ticked(IDC_OUTPUT_BIT0 + 17));
    testkit::Click(program[IDC_ALL_UNUSED]);
    EXPECT_FALSE(program.Ticked(IDC_OUTPUT_BIT0 + 17));
    ASSERT_TRUE(testkit::SelectTab(program[IDC_BOARD_TAB], 0));
    testkit::Click(program[IDC_ALL_UNUSED]);
    EXPECT_FALSE(program.Ticked(IDC_INPUT_BIT0));
    EXPECT_TRUE(program.Ticked(IDC_INPUT_BIT0 + 1));
    EXPECT_TRUE(program.Ticked(IDC_OUTPUT_BIT0 + 17));

    // Back on ASIO its own ticks are still there.
    testkit::Click(program[IDC_ASIO]);
    EXPECT_TRUE(program.Ticked(IDC_INPUT_BIT0));
    EXPECT_FALSE(program.Ticked(IDC_INPUT_BIT0 + 1));
    EXPECT_TRUE(program.Ticked(IDC_OUTPUT_BIT0 + 16));
    EXPECT_EQ(testkit::GetText(program[IDC_LATENCY_EDIT]), "1024");

    // GSIF: no latency controls, inputs cleared and disabled, outputs only.
    testkit::Click(program[IDC_GSIF]);
    for (int id : {IDC_LATENCY_EDIT, IDC_LATENCY_SPIN, IDC_LATENCY_44K, IDC_LATENCY_48K})
        EXPECT_FALSE(testkit::IsVisible(program[id])) << id;
    EXPECT_FALSE(testkit::IsEnabled(program[IDC_INPUT_BIT0 + 3]));
    testkit::Click(program[IDC_ALL_UNUSED]);
    EXPECT_FALSE(program.Ticked(IDC_INPUT_BIT0 + 3));
    EXPECT_FALSE(program.Ticked(IDC_OUTPUT_BIT0 + 16));
    testkit::SetCheck(program[IDC_OUTPUT_BIT0 + 16], true);  // overlapping is allowed
    ASSERT_EQ(program.CloseWith(IDOK), 0u);

    EXPECT_EQ(StoredLatency(Interface::Asio), 1024u);
    EXPECT_EQ(StoredLatency(Interface::Easi), 48u);
    EXPECT_EQ(StoredLatency(Interface::Gsif), 48u);
    const quorvi::ChannelMaskSet asio{{0x1, kAllInputs, 0, 0}, {0x10000, kAllOutputs, 0, 0}};
    const quorvi::ChannelMaskSet easi{{0xFFFE, 0, 0, 0}, {0x2FFFF, 0, 0, 0}};
    const quorvi::ChannelMaskSet gsif{{0, 0, 0, 0}, {0x10000, 0, 0, 0}};
    for (auto [i, expected] : {std::pair{Interface::Asio, asio}, std::pair{Interface::Easi, easi},
                               std::pair{Interface::Gsif, gsif}}) {
        auto stored = StoredMasks(i);
        ASSERT_TRUE(stored) << static_cast<int>(i);
        EXPECT_TRUE(SameMasks(*stored, expected)) << static_cast<int>(i);
    }

    // Visible to other programs at once, as the drivers will read it.
    EXPECT_EQ(testkit::RegQuery("HKCR\\" + std::string(driverKey(Interface::Asio)), "BlockLatency"),
              "BlockLatency|REG_DWORD|0x400");
}
