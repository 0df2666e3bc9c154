// The device appearance values in the driver's service key.
#include "DeviceAppearance.h"
#include "testkit/Registry.h"
#include <gtest/gtest.h>

using namespace panel;
using testkit::ReadRegDword;
using testkit::ReadRegString;
using testkit::ReadRegValue;

namespace {

const std::string kService = kDriverServiceKey;
const std::string kBoard1 = kService + "\\QuorviBoard1";

class DeviceAppearanceTest : public ::testing::Test {
protected:
    testkit::RegistrySandbox registry_{{{HKEY_LOCAL_MACHINE, kService}}};
};

}  // namespace

// Without the driver there is no service key to configure: nothing is made
// up, and the caller hears that nothing was stored.
TEST_F(DeviceAppearanceTest, WithoutTheDriverNothingIsStored) {
    DeviceAppearance values;
    values.monoIn = 7;
    EXPECT_FALSE(WriteDeviceAppearance(1, values));
    EXPECT_FALSE(testkit::RegKeyExists(HKEY_LOCAL_MACHINE, kService));
    EXPECT_FALSE(ReadDeviceAppearance(1, values));
    EXPECT_EQ(values.monoIn, 7);
}

TEST_F(DeviceAppearanceTest, WrittenWhereTheDriverReadsAndReadBack) {
    ASSERT_TRUE(testkit::WriteRegDword(HKEY_LOCAL_MACHINE, kService, "Start", 3));
    DeviceAppearance values;
    values.monoIn = 16;
    values.stereoIn = 8;
    values.monoOut = 2;
    values.stereoOut = 1;
    values.monitorEnable = 1;
    values.outputNames[3] = "Desk %d/%d";
    values.inputNames[24] = "Sync In";
    ASSERT_TRUE(WriteDeviceAppearance(1, values));

    EXPECT_EQ(ReadRegDword(HKEY_LOCAL_MACHINE, kBoard1, "nMonoInDevices"), 16u);
    EXPECT_EQ(ReadRegDword(HKEY_LOCAL_MACHINE, kBoard1, "MonitorDeviceEnable"), 1u);
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kBoard1 + "\\MonoOut3", "DeviceName"), "Desk %d/%d");
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kBoard1 + "\\StereoIn7", "DeviceName"),
              "Quelmar QUORVI %d Stereo In%d");
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kBoard1 + "\\MonitorOut", "DeviceName"),
              "Quelmar QUORVI %d Monitor Out");
    // The MTC input is one for all boards, beside their keys; the size counts the NUL.
    const auto mtc = ReadRegValue(HKEY_LOCAL_MACHINE, kService + "\\QuorviMTC", "DeviceName");
    ASSERT_TRUE(mtc);
    EXPECT_EQ(mtc->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(mtc->data.size(), 8u);
    EXPECT_FALSE(testkit::RegKeyExists(HKEY_LOCAL_MACHINE, kBoard1 + "\\QuorviMTC"));

    DeviceAppearance back;
    ASSERT_TRUE(ReadDeviceAppearance(1, back));
    EXPECT_EQ(back.monoIn, 16);
    EXPECT_EQ(back.stereoOut, 1);
    EXPECT_EQ(back.monitorEnable, 1);
    EXPECT_EQ(back.outputNames, values.outputNames);
    EXPECT_EQ(back.inputNames, values.inputNames);
}

// What another program left there is read with care: a name too long for
// the driver's buffer is cut, a count beyond the driver's range is limited,
// and a missing value gives the default, not an edit never saved.
TEST_F(DeviceAppearanceTest, ValuesFromOutsideAreKeptInBounds) {
    ASSERT_TRUE(testkit::WriteRegDword(HKEY_LOCAL_MACHINE, kBoard1, "nStereoOutDevices", 99));
    ASSERT_TRUE(testkit::WriteRegString(HKEY_LOCAL_MACHINE, kBoard1 + "\\MonoIn0", "DeviceName",
                                        std::string(40, 'n')));
    DeviceAppearance values;
    values.monoOut = 5;
    values.inputNames[1] = "Edited";
    ASSERT_TRUE(ReadDeviceAppearance(1, values));
    EXPECT_EQ(values.stereoOut, kMaxStereoDevices);
    EXPECT_EQ(values.monoOut, 0);
    EXPECT_EQ(values.inputNames[0], std::string(kMaxDeviceName, 'n'));
    EXPECT_EQ(values.inputNames[1], "Quelmar QUORVI %d Mono In%d");
}
