// The working record through the real exports: registry, setup files and the
// repair of a missing or outdated configuration.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "quorvi/QuorviCore.h"
#include "testkit/MessageBoxCatcher.h"
#include "testkit/Registry.h"
#include "testkit/SystemDir.h"

using namespace quorvi;
using namespace testkit;

namespace {

const char kSetups[] = "Software\\Quelmar\\Setups";
const std::string kNotFound =
    "Setup registry key was not found.  Current settings have been restored to the "
    "factory-default settings.";
const std::string kCannotRead = "Error: Cannot read setup file.";
const std::string kCannotOpen = "Error: Cannot open setup file.";
const std::string kPrevious = "Factory Default file is previous version, replacing.";

std::vector<uint8_t> Bytes(const SettingsRecord& r) {
    auto p = reinterpret_cast<const uint8_t*>(&r);
    return {p, p + sizeof r};
}

class RegSettingsTest : public ::testing::Test {
protected:
    std::unique_ptr<SettingsRecord> NewRecord(uint8_t fill = 0xCD) {
        auto r = std::make_unique<SettingsRecord>();
        std::memset(r.get(), fill, sizeof *r);
        return r;
    }
    std::unique_ptr<SettingsRecord> Factory() {
        auto r = NewRecord();
        MessageBoxCatcher quietly;
        EXPECT_EQ(QuorviGetRegSettings(r.get(), 1), 1);
        return r;
    }
    std::optional<std::string> Current() { return ReadRegString(HKEY_CURRENT_USER, kSetups, "Current"); }

    RegistrySandbox registry;
    SystemDirSandbox files{{"*.ssf"}};
};

TEST_F(RegSettingsTest, EmptyRegistryBuildsAndReadsBackTheBasicRecord) {
    auto record = NewRecord();
    MessageBoxCatcher catcher;
    catcher.Expect(IDOK);
    EXPECT_EQ(QuorviGetRegSettings(record.get(), 0), 1);
    EXPECT_TRUE(catcher.WaitForBoxes(1));
    EXPECT_EQ(catcher.Texts(), std::vector<std::string>{kNotFound});
    EXPECT_EQ(Current(), "factory.ssf");
    EXPECT_EQ(record->version, 22);
    EXPECT_EQ(record->device.version, 22);
    EXPECT_STREQ(record->description, "Factory default setup file");
    EXPECT_STREQ(record->fileName, "factory.ssf");
    EXPECT_EQ(ReadSystemFile("factory.ssf"), Bytes(*record));

    // Quiet suppresses only the registry message; nothing else is wrong now.
    auto again = NewRecord();
    EXPECT_EQ(QuorviGetRegSettings(again.get(), 1), 1);
    EXPECT_EQ(Bytes(*again), Bytes(*record));
}

TEST_F(RegSettingsTest, MissingUserFileFallsBackToTheFactoryFile) {
    auto factory = Factory();
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kSetups, "Current", "gone.ssf"));
    auto record = NewRecord();
    {
        MessageBoxCatcher quiet;  // quiet: no message at all
        EXPECT_EQ(QuorviGetRegSettings(record.get(), 1), 1);
    }
    EXPECT_EQ(Current(), "factory.ssf");
    EXPECT_EQ(Bytes(*record), Bytes(*factory));
}

TEST_F(RegSettingsTest, OldFactoryFileIsDeletedAndRebuilt) {
    auto old = Factory();
    old->version = 21;
    old->eraseProtect = 0;
    ASSERT_TRUE(WriteSystemFile("factory.ssf", Bytes(*old)));
    auto record = NewRecord();
    MessageBoxCatcher catcher;
    catcher.Expect(IDOK);
    EXPECT_EQ(QuorviGetRegSettings(record.get(), 0), 1);
    EXPECT_TRUE(catcher.WaitForBoxes(1));
    EXPECT_EQ(catcher.Texts(), std::vector<std::string>{kPrevious});
    EXPECT_EQ(record->version, 22);
    EXPECT_EQ(record->eraseProtect, 1);
    EXPECT_EQ(ReadSystemFile("factory.ssf"), Bytes(*record));
}

TEST_F(RegSettingsTest, FactoryNameInCapitalsIsTheFactoryFile) {
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kSetups, "Current", "FACTORY.SSF"));
    auto record = NewRecord();
    MessageBoxCatcher noBoxes;
    EXPECT_EQ(QuorviGetRegSettings(record.get(), 0), 1);
    EXPECT_EQ(record->version, 22);
    EXPECT_TRUE(SystemFileExists("factory.ssf"));
    EXPECT_EQ(Current(), "FACTORY.SSF");
}

TEST_F(RegSettingsTest, ShortFileIsAReadErrorAndLongerFileIsReadToTheRecordSize) {
    auto factory = Factory();
    auto user = NewRecord(0);
    *user = *factory;
    std::strcpy(user->fileName, "long.ssf");
    std::vector<uint8_t> longer = Bytes(*user);
    longer.resize(longer.size() + 500, 0x77);
    ASSERT_TRUE(WriteSystemFile("long.ssf", longer));
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kSetups, "Current", "long.ssf"));
    auto record = NewRecord();
    {
        MessageBoxCatcher noBoxes;
        EXPECT_EQ(QuorviGetRegSettings(record.get(), 0), 1);
    }
    EXPECT_EQ(Bytes(*record), Bytes(*user));

    ASSERT_TRUE(WriteSystemFile("short.ssf", std::vector<uint8_t>(100, 0)));
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kSetups, "Current", "short.ssf"));
    MessageBoxCatcher catcher;
    catcher.Expect(IDOK, 2);
    EXPECT_EQ(QuorviGetRegSettings(record.get(), 0), 1);
    EXPECT_TRUE(catcher.WaitForBoxes(2));
    EXPECT_EQ(catcher.Texts(), (std::vector<std::string>{kCannotRead, kNotFound}));
    EXPECT_EQ(Bytes(*record), Bytes(*factory));
}

TEST_F(RegSettingsTest, UserFileOfAnotherVersionIsLeftInPlace) {
    auto factory = Factory();
    auto user = NewRecord(0);
    *user = *factory;
    user->version = 23;
    ASSERT_TRUE(WriteSystemFile("mine.ssf", Bytes(*user)));
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kSetups, "Current", "mine.ssf"));
    auto record = NewRecord();
    MessageBoxCatcher quiet;
    EXPECT_EQ(QuorviGetRegSettings(record.get(), 1), 1);
    EXPECT_EQ(ReadSystemFile("mine.ssf"), Bytes(*user));
    EXPECT_EQ(Bytes(*record), Bytes(*factory));
}

TEST_F(RegSettingsTest, FivePassesWithoutAFileStillGiveAValidRecord) {
    // A directory in the factory file's place can be neither read nor written.
    std::string blocker = SystemFilePath("factory.ssf");
    ASSERT_TRUE(CreateDirectoryA(blocker.c_str(), nullptr));
    auto record = NewRecord();
    MessageBoxCatcher catcher;
    catcher.Expect(IDOK, 4);
    EXPECT_EQ(QuorviGetRegSettings(record.get(), 1), 1);
    RemoveDirectoryA(blocker.c_str());
    EXPECT_TRUE(catcher.WaitForBoxes(4));
    EXPECT_EQ(catcher.Texts(), std::vector<std::string>(4, kCannotOpen));
    EXPECT_EQ(record->version, 22);
    EXPECT_EQ(record->device.version, 22);
    EXPECT_STREQ(record->fileName, "factory.ssf");
}

TEST_F(RegSettingsTest, StoreWritesCurrentAndKeepsALongerFilesTail) {
    auto record = Factory();
    std::strcpy(record->fileName, "mine.ssf");
    ASSERT_TRUE(WriteSystemFile("mine.ssf", std::vector<uint8_t>(sizeof(SettingsRecord) + 10, 0x55)));
    MessageBoxCatcher noBoxes;
    EXPECT_EQ(QuorviSetRegSettings(record.get()), 1);
    EXPECT_EQ(Current(), "mine.ssf");
    auto file = ReadSystemFile("mine.ssf");
    ASSERT_TRUE(file);
    ASSERT_EQ(file->size(), sizeof(SettingsRecord) + 10);
    EXPECT_EQ(std::vector<uint8_t>(file->begin(), file->begin() + sizeof(SettingsRecord)), Bytes(*record));
    EXPECT_EQ(file->back(), 0x55);
}

TEST_F(RegSettingsTest, FileNamesThatLeaveTheSystemDirectoryAreNeverUsed) {
    auto record = Factory();
    // From the registry: a path, then a name longer than any path.
    // Device names open a device in any directory: nothing to read there.
    for (const std::string& current :
         {std::string("..\\win.ini"), std::string(300, 'n'), std::string("NUL"), std::string("nul.ssf")}) {
        ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kSetups, "Current", current));
        MessageBoxCatcher quiet;
        EXPECT_EQ(QuorviGetRegSettings(record.get(), 1), 1);
        EXPECT_EQ(Current(), "factory.ssf");
    }

    // A name from a file: a directory, then one without its terminator. The
    // user is told once per process.
    MessageBoxCatcher catcher;
    catcher.Expect(IDOK);
    std::strcpy(record->fileName, "..\\..\\escaped.ssf");
    record->eraseProtect = 7;
    EXPECT_EQ(QuorviSetRegSettings(record.get()), 1);
    EXPECT_STREQ(record->fileName, "factory.ssf");
    EXPECT_EQ(Current(), "factory.ssf");
    EXPECT_EQ(ReadSystemFile("factory.ssf"), Bytes(*record));
    std::memset(record->fileName, 'x', sizeof record->fileName);
    EXPECT_EQ(QuorviSetRegSettings(record.get()), 1);
    EXPECT_STREQ(record->fileName, "factory.ssf");
    std::strcpy(record->fileName, "Con .ssf");
    EXPECT_EQ(QuorviSetRegSettings(record.get()), 1);
    EXPECT_STREQ(record->fileName, "factory.ssf");
    // Characters no file may be named with: the name could be stored as
    // Current but its file never written.
    for (const char* unnamable : {"a|b.ssf", "what?.ssf", "<a>.ssf", "tab\t.ssf", "\"q\".ssf", "*.ssf"}) {
        std::strcpy(record->fileName, unnamable);
        EXPECT_EQ(QuorviSetRegSettings(record.get()), 1);
        EXPECT_STREQ(record->fileName, "factory.ssf") << unnamable;
        EXPECT_EQ(Current(), "factory.ssf");
    }
    EXPECT_TRUE(catcher.WaitForBoxes(1));
    EXPECT_EQ(catcher.Texts().size(), 1u);
    EXPECT_EQ(ListSystemFiles("*.ssf"), std::vector<std::string>{"factory.ssf"});
}

// Another program writing the current file holds it for a moment: loading
// and storing wait for it instead of falling back to the factory file or
// failing.
TEST_F(RegSettingsTest, AFileAnotherProgramHoldsForAMomentIsWaitedFor) {
    auto record = Factory();
    std::strcpy(record->fileName, "mine.ssf");
    record->eraseProtect = 5;
    ASSERT_EQ(QuorviSetRegSettings(record.get()), 1);
    auto hold = [] {
        HANDLE held = CreateFileA(SystemFilePath("mine.ssf").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(held, INVALID_HANDLE_VALUE);
        return std::thread([held] {
            Sleep(200);
            CloseHandle(held);
        });
    };
    MessageBoxCatcher noBoxes;
    std::thread release = hold();
    auto loaded = NewRecord();
    EXPECT_EQ(QuorviGetRegSettings(loaded.get(), 0), 1);
    release.join();
    EXPECT_EQ(Current(), "mine.ssf");
    EXPECT_EQ(loaded->eraseProtect, 5);

    release = hold();
    loaded->eraseProtect = 6;
    EXPECT_EQ(QuorviSetRegSettings(loaded.get()), 1);
    release.join();
    auto file = ReadSystemFile("mine.ssf");
    ASSERT_TRUE(file);
    EXPECT_EQ(std::vector<uint8_t>(file->begin(), file->begin() + sizeof(SettingsRecord)), Bytes(*loaded));
}

TEST_F(RegSettingsTest, ACopiedFileIsStoredUnderTheNameItWasLoadedFrom) {
    auto record = Factory();
    std::strcpy(record->fileName, "a.ssf");
    MessageBoxCatcher noBoxes;
    ASSERT_EQ(QuorviSetRegSettings(record.get()), 1);
    auto a = ReadSystemFile("a.ssf");
    ASSERT_TRUE(a);
    ASSERT_TRUE(WriteSystemFile("b.ssf", *a));  // copied outside the panel
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kSetups, "Current", "b.ssf"));
    ASSERT_EQ(QuorviGetRegSettings(record.get(), 0), 1);
    EXPECT_STREQ(record->fileName, "b.ssf");
    record->eraseProtect = 0;
    ASSERT_EQ(QuorviSetRegSettings(record.get()), 1);
    EXPECT_EQ(ReadSystemFile("a.ssf"), a);
    EXPECT_EQ(ReadSystemFile("b.ssf"), Bytes(*record));
}

TEST_F(RegSettingsTest, SetupFileHelpersForTheSetupsPage) {
    auto record = Factory();
    char path[MAX_PATH];
    EXPECT_EQ(QuorviSetupFilePath("a.ssf", path, sizeof path), 1);
    EXPECT_EQ(std::string(path), SystemFilePath("a.ssf"));
    EXPECT_EQ(QuorviSetupFilePath("c:a.ssf", path, sizeof path), 0);
    EXPECT_EQ(QuorviSetupFilePath("sub/a.ssf", path, sizeof path), 0);
    EXPECT_EQ(QuorviSetupFilePath("a.ssf", path, 4), 0);
    for (const char* device : {"LPT1.ssf", "con", "AUX.x.ssf", "COM9"}) {
        EXPECT_EQ(QuorviSetupFilePath(device, path, sizeof path), 0) << device;
    }
    EXPECT_EQ(QuorviSetupFilePath("COM10.ssf", path, sizeof path), 1);
    EXPECT_EQ(QuorviSetupFilePath(nullptr, path, sizeof path), 0);
    EXPECT_EQ(QuorviReadSetupFile(nullptr, record.get()), SetupFileCannotOpen);
    EXPECT_EQ(QuorviSaveSetupFile(nullptr, record.get()), SetupFileCannotOpen);
    EXPECT_EQ(QuorviReadSetupFile("factory.ssf", nullptr), SetupFileCannotOpen);
    EXPECT_EQ(QuorviSaveSetupFile(path, nullptr), SetupFileCannotOpen);
    EXPECT_EQ(QuorviRecordFilePath(nullptr, path, sizeof path), 0);
    EXPECT_EQ(QuorviGetRegSettings(nullptr, 1), 0);
    EXPECT_EQ(QuorviSetRegSettings(nullptr), 0);

    // A short file leaves the record as it was.
    auto before = Bytes(*record);
    ASSERT_TRUE(WriteSystemFile("short.ssf", std::vector<uint8_t>(21715, 1)));
    EXPECT_EQ(QuorviReadSetupFile("short.ssf", record.get()), SetupFileCannotRead);
    EXPECT_EQ(QuorviReadSetupFile("none.ssf", record.get()), SetupFileCannotOpen);
    EXPECT_EQ(Bytes(*record), before);

    // A save stores the file's write time in the record after writing it.
    ASSERT_EQ(QuorviRecordFilePath(record.get(), path, sizeof path), 1);
    record->fileTime = {};
    EXPECT_EQ(QuorviSaveSetupFile(path, record.get()), SetupFileOk);
    EXPECT_NE(record->fileTime.dwHighDateTime, 0u);
    auto file = ReadSystemFile("factory.ssf");
    ASSERT_TRUE(file);
    EXPECT_EQ((*file)[224], 0);
    EXPECT_EQ(QuorviReadSetupFile("factory.ssf", record.get()), SetupFileOk);
    EXPECT_EQ(record->fileTime.dwHighDateTime, 0u);
}

}  // namespace
