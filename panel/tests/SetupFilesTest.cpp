#include "SetupFiles.h"
#include <gtest/gtest.h>
#include <cstring>
#include <memory>

using namespace panel;
using quorvi::SettingsRecord;

namespace {

// A private directory standing in for the system directory.
class SetupFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        dir_ = std::string(temp) + "panel_setups_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(dir_.c_str(), nullptr);
        Clear();
        record_ = std::make_unique<SettingsRecord>();
        std::memset(record_.get(), 0, sizeof *record_);
    }
    void TearDown() override {
        Clear();
        RemoveDirectoryA(dir_.c_str());
    }
    void Clear() {
        WIN32_FIND_DATAA f;
        HANDLE h = FindFirstFileA((dir_ + "\\*").c_str(), &f);
        if (h == INVALID_HANDLE_VALUE) return;
        do DeleteFileA((dir_ + "\\" + f.cFileName).c_str());
        while (FindNextFileA(h, &f));
        FindClose(h);
    }

    SetupFiles Files() {
        return SetupFiles(dir_, [this](int m) { messages_.push_back(m); });
    }

    // Writes a record file with the given description; size cuts or pads it.
    void Put(const std::string& name, const std::string& description, DWORD size = sizeof(SettingsRecord),
             int masterBoard = 0, int eraseProtect = 0) {
        auto r = std::make_unique<SettingsRecord>();
        std::memset(r.get(), 0, sizeof *r);
        r->version = quorvi::kRecordVersion;
        r->eraseProtect = eraseProtect;
        r->device.masterBoard = masterBoard;
        CopyBounded(r->description, sizeof r->description, description);
        std::string bytes(reinterpret_cast<const char*>(r.get()), sizeof *r);
        bytes.resize(size, 'T');
        HANDLE h = CreateFileA(Path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD put;
        WriteFile(h, bytes.data(), size, &put, nullptr);
        CloseHandle(h);
    }
    std::string Path(const std::string& name) const { return dir_ + "\\" + name; }
    DWORD SizeOf(const std::string& name) const {
        WIN32_FILE_ATTRIBUTE_DATA a{};
        return GetFileAttributesExA(Path(name).c_str(), GetFileExInfoStandard, &a) ? a.nFileSizeLow : 0;
    }
    bool Exists(const std::string& name) const { return GetFileAttributesA(Path(name).c_str()) != INVALID_FILE_ATTRIBUTES; }
    void Name(const char* name) { CopyBounded(record_->fileName, sizeof record_->fileName, name); }

    std::string dir_;
    std::unique_ptr<SettingsRecord> record_;
    std::vector<int> messages_;
};

}  // namespace

TEST_F(SetupFilesTest, ListsTheFactoryFileAndRefreshesTheDescription) {
    Files().List(*record_, 1);
    EXPECT_EQ(messages_, std::vector<int>{kMsgNoSetupFiles});

    messages_.clear();
    Put("factory.ssf", "Factory default setup file");
    Name("FACTORY.SSF");
    const SetupList list = Files().List(*record_, 1);
    ASSERT_EQ(list.names.size(), 1u);
    EXPECT_EQ(list.current, 0);
    EXPECT_EQ(list.descriptions[0], "Factory default setup file");
    EXPECT_STREQ(record_->description, "Factory default setup file");
    EXPECT_TRUE(messages_.empty());
}

TEST_F(SetupFilesTest, AMissingCurrentFileLoadsTheFirstSetup) {
    Put("studio.ssf", "Studio", sizeof(SettingsRecord), 3);
    Name("gone.ssf");
    const SetupList list = Files().List(*record_, 2);
    EXPECT_EQ(list.current, 0);
    EXPECT_STREQ(record_->fileName, "studio.ssf");
    EXPECT_STREQ(record_->description, "Studio");
    EXPECT_EQ(record_->device.masterBoard, 1);   // limited to the boards present
}

TEST_F(SetupFilesTest, AShortFileLeavesTheRecordWhole) {
    Put("short.ssf", "Short", 1000);
    Name("mine.ssf");
    CopyBounded(record_->description, sizeof record_->description, "Mine");
    record_->device.latencyIndex = 2;
    EXPECT_FALSE(Files().Load(*record_, "short.ssf", 1));
    EXPECT_EQ(messages_, std::vector<int>{kMsgCannotReadSetup});
    EXPECT_STREQ(record_->fileName, "mine.ssf");
    EXPECT_EQ(record_->device.latencyIndex, 2);

    messages_.clear();
    const SetupList list = Files().List(*record_, 1);   // still listed, no description
    ASSERT_EQ(list.descriptions.size(), 1u);
    EXPECT_EQ(list.descriptions[0], "");
    EXPECT_EQ(messages_.front(), kMsgCannotReadSetup);
    EXPECT_FALSE(Files().Load(*record_, "absent.ssf", 1));
    EXPECT_EQ(messages_.back(), kMsgSetupMissing);
}

TEST_F(SetupFilesTest, LongFilesAreReadToTheRecordAndKeepTheirTail) {
    Put("long.ssf", "Long", sizeof(SettingsRecord) + 100);
    ASSERT_TRUE(Files().Load(*record_, "long.ssf", 1));
    EXPECT_STREQ(record_->description, "Long");
    ASSERT_TRUE(Files().SaveCurrent(*record_));
    EXPECT_EQ(SizeOf("long.ssf"), sizeof(SettingsRecord) + 100);
    EXPECT_NE(record_->fileTime.dwLowDateTime | record_->fileTime.dwHighDateTime, 0u);
}

TEST_F(SetupFilesTest, ACopyOfALongDescriptionStaysWithinItsField) {
    Name("orig.ssf");
    const std::string longest(81, 'd');
    CopyBounded(record_->description, sizeof record_->description, longest);
    ASSERT_TRUE(Files().SaveCopy(*record_, Path("Copy of orig.ssf")));
    EXPECT_EQ(std::strlen(record_->description), 81u);
    EXPECT_EQ(std::string(record_->description).rfind("Copy of ddd", 0), 0u);
    EXPECT_STREQ(record_->fileName, "Copy of orig.ssf");
    EXPECT_EQ(SizeOf("Copy of orig.ssf"), sizeof(SettingsRecord));
    EXPECT_EQ(Files().List(*record_, 1).current, 0);

    EXPECT_FALSE(Files().SaveCopy(*record_, Path(std::string(140, 'n') + ".ssf")));
    EXPECT_EQ(messages_, std::vector<int>{kMsgCannotOpenSetup});
    EXPECT_STREQ(record_->fileName, "Copy of orig.ssf");
}

TEST_F(SetupFilesTest, DeleteRespectsProtectionAndConfirmation) {
    Put("keep.ssf", "Keep", sizeof(SettingsRecord), 0, 1);
    ASSERT_TRUE(Files().Load(*record_, "keep.ssf", 1));
    bool asked = false;
    EXPECT_FALSE(Files().DeleteCurrent(*record_, [&] { return asked = true; }));
    EXPECT_FALSE(asked);
    EXPECT_EQ(messages_, std::vector<int>{kMsgEraseProtected});
    EXPECT_TRUE(Exists("keep.ssf"));

    ASSERT_TRUE(Files().ChangeProperties(*record_, std::string(100, 'p'), false));
    EXPECT_EQ(std::strlen(record_->description), 81u);
    EXPECT_FALSE(Files().DeleteCurrent(*record_, [] { return false; }));
    EXPECT_TRUE(Exists("keep.ssf"));
    EXPECT_TRUE(Files().DeleteCurrent(*record_, [] { return true; }));
    EXPECT_FALSE(Exists("keep.ssf"));
    EXPECT_FALSE(Files().DeleteCurrent(*record_, [] { return true; }));
    EXPECT_EQ(messages_.back(), kMsgCannotDeleteSetup);
}

TEST_F(SetupFilesTest, NamesThatLeaveTheDirectoryAreNeverWrittenThrough) {
    Name("..\\outside.ssf");
    ASSERT_TRUE(Files().SaveCurrent(*record_));
    EXPECT_STREQ(record_->fileName, "factory.ssf");
    EXPECT_TRUE(Exists("factory.ssf"));
    std::memset(record_->fileName, 'x', sizeof record_->fileName);   // unterminated
    ASSERT_TRUE(Files().SaveCurrent(*record_));
    EXPECT_STREQ(record_->fileName, "factory.ssf");
    Name("C:evil.ssf");
    EXPECT_FALSE(Files().DeleteCurrent(*record_, [] { return true; }));
    EXPECT_EQ(messages_, (std::vector<int>{kMsgUnsafeSetupName, kMsgUnsafeSetupName, kMsgCannotDeleteSetup}));
    EXPECT_FALSE(IsPlainFileName("a/b.ssf", 8));
    EXPECT_TRUE(IsPlainFileName("studio.ssf", 134));
}
