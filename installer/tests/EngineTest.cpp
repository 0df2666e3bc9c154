// The setup engine's steps against a scratch folder and a scratch registry
// key: what they put in place, what a rollback puts back, and what waits for
// a restart.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "ComServer.h"
#include "Files.h"
#include "Journal.h"
#include "RebootQueue.h"
#include "Registry.h"
#include "Suite.h"
#include "testkit/Process.h"
#include "testkit/Registry.h"

namespace {

const std::string kTestKey = "Software\\QuorviSetupTest";

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Names in a folder, sorted: the file system need not return them in order.
std::string Listing(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.cFileName[0] != '.') names.emplace_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    std::sort(names.begin(), names.end());
    std::string listing;
    for (const std::string& name : names) listing += name + " ";
    return listing;
}

class Engine : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        GetTempPathA(sizeof temp, temp);
        folder_ = std::string(temp) + "quorvi-setup-test";
        package_ = folder_ + "\\package";
        target_ = folder_ + "\\target";
        Clear();
        CreateDirectoryA(folder_.c_str(), nullptr);
        CreateDirectoryA(package_.c_str(), nullptr);
        CreateDirectoryA(target_.c_str(), nullptr);
        // A DLL of ours that this process can load, to hold a file in use.
        plugin_ = testkit::ProgramDirectory() + "\\plugin\\quorvisetup.dll";
        ASSERT_TRUE(CopyFileA(plugin_.c_str(), Target("held.dll").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(plugin_.c_str(), Package("held.dll").c_str(), FALSE));
        WriteAll(Package("held.dll"), ReadAll(plugin_) + "new");
        WriteAll(Target("plain.txt"), "old plain");
        WriteAll(Package("plain.txt"), "new plain");
        WriteAll(Package("fresh.txt"), "new fresh");
    }
    void TearDown() override { Clear(); }

    void Clear() {
        for (const std::string& dir : {package_, target_}) {
            WIN32_FIND_DATAA found{};
            HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
            if (search != INVALID_HANDLE_VALUE) {
                do DeleteFileA((dir + "\\" + found.cFileName).c_str());
                while (FindNextFileA(search, &found));
                FindClose(search);
            }
            RemoveDirectoryA(dir.c_str());
        }
        RemoveDirectoryA(folder_.c_str());
    }

    std::string Target(const char* name) const { return target_ + "\\" + name; }
    std::string Package(const char* name) const { return package_ + "\\" + name; }
    void Place(const char* name) { setup::PlaceFile(Package(name), Target(name), journal_, reboot_, report_); }

    std::string folder_, package_, target_, plugin_;
    setup::Journal journal_;
    setup::RebootQueue reboot_{true};
    std::string reported_;
    setup::Report report_ = [this](const std::string& line) { reported_ += line + "\n"; };
};

TEST_F(Engine, RollbackPutsBackFilesInUseAndRegistryAsTheyWere) {
    testkit::RegistrySandbox sandbox({{HKEY_CURRENT_USER, kTestKey}});
    ASSERT_TRUE(testkit::WriteRegString(HKEY_CURRENT_USER, kTestKey, "Changed", "before"));
    ASSERT_TRUE(testkit::WriteRegDword(HKEY_CURRENT_USER, kTestKey, "Deleted", 7));
    HMODULE held = LoadLibraryA(Target("held.dll").c_str());
    ASSERT_NE(held, nullptr);

    Place("held.dll");
    Place("plain.txt");
    Place("fresh.txt");
    setup::RegistryEdit registry(journal_);
    registry.SetString(HKEY_CURRENT_USER, kTestKey + "\\Made\\Deeper", "Value", "new");
    registry.SetString(HKEY_CURRENT_USER, kTestKey, "Changed", "after");
    registry.DeleteValue(HKEY_CURRENT_USER, kTestKey, "Deleted");
    EXPECT_EQ(ReadAll(Target("held.dll")), ReadAll(Package("held.dll")));
    EXPECT_EQ(ReadAll(Target("fresh.txt")), "new fresh");
    EXPECT_EQ(testkit::ReadRegString(HKEY_CURRENT_USER, kTestKey, "Changed"), "after");
    EXPECT_FALSE(testkit::ReadRegDword(HKEY_CURRENT_USER, kTestKey, "Deleted"));

    EXPECT_TRUE(journal_.Rollback().empty());
    EXPECT_EQ(ReadAll(Target("held.dll")), ReadAll(plugin_));
    EXPECT_EQ(ReadAll(Target("plain.txt")), "old plain");
    EXPECT_EQ(Listing(target_), "held.dll plain.txt ");
    EXPECT_FALSE(testkit::RegKeyExists(HKEY_CURRENT_USER, kTestKey + "\\Made"));
    EXPECT_EQ(testkit::ReadRegString(HKEY_CURRENT_USER, kTestKey, "Changed"), "before");
    EXPECT_EQ(testkit::ReadRegDword(HKEY_CURRENT_USER, kTestKey, "Deleted"), 7u);
    EXPECT_FALSE(reboot_.needed());
    FreeLibrary(held);
}

// Keeps the session manager's list of renames as the test found it.
class PendingRenames {
public:
    PendingRenames() : saved_(testkit::ReadRegValue(HKEY_LOCAL_MACHINE, kKey, kValue)) {}
    ~PendingRenames() {
        if (saved_) testkit::WriteRegValue(HKEY_LOCAL_MACHINE, kKey, kValue, saved_->type, saved_->data.data(),
                                           static_cast<DWORD>(saved_->data.size()));
        else if (HKEY key; RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, kValue);
            RegCloseKey(key);
        }
    }
    std::string Text() const {
        auto value = testkit::ReadRegValue(HKEY_LOCAL_MACHINE, kKey, kValue);
        std::string text = value ? std::string(value->data.begin(), value->data.end()) : std::string();
        for (char& c : text) if (c == '\0') c = '|';
        return text;
    }

private:
    static constexpr const char* kKey = "System\\CurrentControlSet\\Control\\Session Manager";
    static constexpr const char* kValue = "PendingFileRenameOperations";
    std::optional<testkit::RegValue> saved_;
};

TEST_F(Engine, CommitLeavesAnOldFileInUseForTheRestartToDelete) {
    PendingRenames pending;
    HMODULE held = LoadLibraryA(Target("held.dll").c_str());
    ASSERT_NE(held, nullptr);
    Place("held.dll");
    Place("plain.txt");

    EXPECT_TRUE(journal_.Commit().empty());
    EXPECT_EQ(Listing(target_), "held.dll held.dll.old plain.txt ");
    EXPECT_TRUE(reboot_.needed());
    EXPECT_NE(pending.Text().find("held.dll.old"), std::string::npos) << pending.Text();
    FreeLibrary(held);
}

// Windows 9x can neither rename a file in use nor defer through the session
// manager: the new file waits beside the old one for WININIT.INI to swap them.
TEST_F(Engine, WithoutRenamesInUseFilesAreSwappedByWininitAtTheRestart) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    const std::string wininit = std::string(windows) + "\\WININIT.INI";
    DeleteFileA(wininit.c_str());
    setup::RebootQueue reboot9x(false);
    // A handle without delete sharing refuses the rename, as 9x does for a file in use.
    HANDLE held = CreateFileA(Target("plain.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    setup::PlaceFile(Package("plain.txt"), Target("plain.txt"), journal_, reboot9x, report_);
    EXPECT_TRUE(journal_.Commit().empty());
    CloseHandle(held);

    EXPECT_EQ(ReadAll(Target("plain.txt")), "old plain");
    EXPECT_EQ(ReadAll(Target("plain.txt.new")), "new plain");
    char shortOld[MAX_PATH] = {}, shortNew[MAX_PATH] = {};
    GetShortPathNameA(Target("plain.txt").c_str(), shortOld, sizeof shortOld);
    GetShortPathNameA(Target("plain.txt.new").c_str(), shortNew, sizeof shortNew);
    EXPECT_EQ(ReadAll(wininit), "[rename]\r\n" + std::string(shortOld) + "=" + shortNew + "\r\n");
    EXPECT_TRUE(reboot9x.needed());
    EXPECT_NE(reported_.find("puts the new one in place when it restarts"), std::string::npos) << reported_;
    DeleteFileA(wininit.c_str());
}

// Its registration fails after writing some entries: the install takes
// those out with everything else it did.
TEST_F(Engine, AMixerThatFailsToRegisterLeavesNoEntriesBehind) {
    testkit::RegistrySandbox sandbox({{HKEY_CURRENT_USER, kTestKey}});
    for (const char* name : setup::kSystemFiles) WriteAll(Package(name), name);
    ASSERT_TRUE(CopyFileA((testkit::ProgramDirectory() + "\\half-registering-server.dll").c_str(),
                          Package(setup::kMixerFile).c_str(), FALSE));
    DeleteFileA(Target("held.dll").c_str());
    DeleteFileA(Target("plain.txt").c_str());

    const setup::Outcome outcome = setup::Install({target_, target_, true}, package_, false, "1", report_);
    EXPECT_NE(outcome.failure.find("DllRegisterServer of " + Target(setup::kMixerFile)), std::string::npos)
        << outcome.failure;
    EXPECT_TRUE(outcome.left.empty());
    EXPECT_FALSE(testkit::RegKeyExists(HKEY_CURRENT_USER, kTestKey + "\\HalfRegistered"));
    EXPECT_EQ(Listing(target_), "");
}

TEST(RenameLines, GoAtTheEndOfTheirSectionOrIntoANewOne) {
    EXPECT_EQ(setup::WithRenameLines("", {"NUL=C:\\A.DLL"}), "[rename]\r\nNUL=C:\\A.DLL\r\n");
    EXPECT_EQ(setup::WithRenameLines("[Other]\r\nx=1\r\n", {"NUL=C:\\A.DLL"}),
              "[Other]\r\nx=1\r\n[rename]\r\nNUL=C:\\A.DLL\r\n");
    // Entries already there stay, even for the same file, in their order.
    EXPECT_EQ(setup::WithRenameLines("[Rename]\nNUL=C:\\A.DLL\n\n[Other]\nx=1\n", {"NUL=C:\\A.DLL", "C:\\B=C:\\C"}),
              "[Rename]\r\nNUL=C:\\A.DLL\r\nNUL=C:\\A.DLL\r\nC:\\B=C:\\C\r\n\r\n[Other]\r\nx=1\r\n");
}

TEST(ServerEntry, SaysWhichServerFailedAndHow) {
    EXPECT_NE(setup::RunServerEntry("C:\\nowhere\\x.dll", setup::kRegisterEntry).find("Could not load C:\\nowhere\\x.dll"),
              std::string::npos);
    // A DLL without the entry answers as a server refusing would.
    const std::string plugin = testkit::ProgramDirectory() + "\\plugin\\quorvisetup.dll";
    EXPECT_EQ(setup::RunServerEntry(plugin, setup::kRegisterEntry),
              "DllRegisterServer of " + plugin + " failed with code 0x80004001.");
}

}  // namespace
