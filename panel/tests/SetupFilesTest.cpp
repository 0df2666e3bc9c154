#include "SaveCopyDialog.h"
#include "SetupFiles.h"
#include "testkit/MessageBoxCatcher.h"
#include "testkit/Robot.h"
#include "testkit/SystemDir.h"
#include <gtest/gtest.h>
#include <cstring>
#include <memory>

using namespace panel;
using quorvi::SettingsRecord;

namespace {

class SetupFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        record_ = std::make_unique<SettingsRecord>();
        std::memset(record_.get(), 0, sizeof *record_);
    }

    SetupFiles Files() {
        return SetupFiles([this](int m) { messages_.push_back(m); });
    }

    // Writes a record file with the given description; size cuts or pads it.
    static void Put(const std::string& name, const std::string& description,
                    DWORD size = sizeof(SettingsRecord), int masterBoard = 0, int eraseProtect = 0) {
        auto r = std::make_unique<SettingsRecord>();
        std::memset(r.get(), 0, sizeof *r);
        r->version = quorvi::kRecordVersion;
        r->eraseProtect = eraseProtect;
        r->device.masterBoard = masterBoard;
        CopyBounded(r->description, sizeof r->description, description);
        std::vector<uint8_t> bytes(reinterpret_cast<const uint8_t*>(r.get()),
                                   reinterpret_cast<const uint8_t*>(r.get()) + sizeof *r);
        bytes.resize(size, 'T');
        ASSERT_TRUE(testkit::WriteSystemFile(name, bytes));
    }
    static size_t SizeOf(const std::string& name) {
        auto bytes = testkit::ReadSystemFile(name);
        return bytes ? bytes->size() : 0;
    }
    void Name(const char* name) { CopyBounded(record_->fileName, sizeof record_->fileName, name); }

    testkit::SystemDirSandbox files_{{"*.ssf"}};
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

    // A name longer than the record's field is not loaded under a cut name.
    const std::string longName = std::string(140, 'n') + ".ssf";
    Put(longName, "Long name");
    messages_.clear();
    EXPECT_FALSE(Files().Load(*record_, longName, 1));
    EXPECT_EQ(messages_, std::vector<int>{kMsgSetupMissing});
    EXPECT_STREQ(record_->fileName, "mine.ssf");
    EXPECT_STREQ(record_->description, "Mine");
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
    CopyBounded(record_->description, sizeof record_->description, std::string(81, 'd'));
    ASSERT_TRUE(Files().SaveCopy(*record_, testkit::SystemFilePath("Copy of orig.ssf")));
    EXPECT_EQ(std::strlen(record_->description), 81u);
    EXPECT_EQ(std::string(record_->description).rfind("Copy of ddd", 0), 0u);
    EXPECT_STREQ(record_->fileName, "Copy of orig.ssf");
    EXPECT_EQ(SizeOf("Copy of orig.ssf"), sizeof(SettingsRecord));
    EXPECT_EQ(Files().List(*record_, 1).current, 0);

    EXPECT_FALSE(Files().SaveCopy(*record_, testkit::SystemFilePath(std::string(140, 'n') + ".ssf")));
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
    EXPECT_TRUE(testkit::SystemFileExists("keep.ssf"));

    ASSERT_TRUE(Files().ChangeProperties(*record_, std::string(100, 'p'), false));
    EXPECT_EQ(std::strlen(record_->description), 81u);
    EXPECT_FALSE(Files().DeleteCurrent(*record_, [] { return false; }));
    EXPECT_TRUE(testkit::SystemFileExists("keep.ssf"));
    EXPECT_TRUE(Files().DeleteCurrent(*record_, [] { return true; }));
    EXPECT_FALSE(testkit::SystemFileExists("keep.ssf"));
    EXPECT_FALSE(Files().DeleteCurrent(*record_, [] { return true; }));
    EXPECT_EQ(messages_.back(), kMsgCannotDeleteSetup);
}

TEST_F(SetupFilesTest, NamesThatLeaveTheDirectoryAreNeverWrittenThrough) {
    testkit::MessageBoxCatcher boxes;
    boxes.Expect(IDOK);   // quorvicore says so, once
    Name("..\\outside.ssf");
    ASSERT_TRUE(Files().SaveCurrent(*record_));
    EXPECT_STREQ(record_->fileName, "factory.ssf");
    EXPECT_TRUE(testkit::SystemFileExists("factory.ssf"));
    std::memset(record_->fileName, 'x', sizeof record_->fileName);   // unterminated
    EXPECT_FALSE(Files().DeleteCurrent(*record_, [] { return true; }));
    Name("C:evil.ssf");
    EXPECT_FALSE(Files().DeleteCurrent(*record_, [] { return true; }));
    EXPECT_EQ(messages_, (std::vector<int>{kMsgCannotDeleteSetup, kMsgCannotDeleteSetup}));
    EXPECT_TRUE(boxes.WaitForBoxes(1));
}

// The file dialog's own button: its toolbar carries the same id as OK.
static HWND DialogButton(HWND dialog, int id) {
    for (HWND c = FindWindowExA(dialog, nullptr, "Button", nullptr); c;
         c = FindWindowExA(dialog, c, "Button", nullptr))
        if (GetDlgCtrlID(c) == id) return c;
    return nullptr;
}

TEST_F(SetupFilesTest, SaveAsOffersACopyBesideTheSetups) {
    Name("studio.ssf");
    std::optional<std::string> chosen;
    auto run = [&](int button) {
        testkit::RunWhile([&] { chosen = ChooseCopyPath(nullptr, *record_); },
                          [&] {
                              HWND dialog = testkit::WaitForTopWindow("#32770", "Save As");
                              if (dialog) testkit::PostClick(DialogButton(dialog, button));
                          });
    };
    run(IDOK);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(lstrcmpiA(chosen->c_str(), testkit::SystemFilePath("Copy of studio.ssf").c_str()), 0)
        << *chosen;
    run(IDCANCEL);
    EXPECT_FALSE(chosen);
}
