// regsvr32 registers exactly the plug-in's keys, its type library names the
// classes the keys name, a host that finds it there gets the one mixer, and
// unregistering takes the keys away again but leaves their shared parents.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>

#include <algorithm>

#include "HostKit.h"
#include "RegistryDump.h"
#include "testkit/Process.h"
#include "testkit/Registry.h"
#include "testkit/SystemDir.h"
#include "vboard/InProcessBoards.h"

using namespace audioxhost;

namespace {

std::string Text(const GUID& id) {
    wchar_t text[40];
    StringFromGUID2(id, text, 40);
    return Narrow(text);
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return static_cast<char>(toupper(c)); });
    return text;
}

std::string Described(ITypeLib* library, const GUID& id) {
    ComPtr<ITypeInfo> info;
    if (FAILED(library->GetTypeInfoOfGuid(id, info.put()))) return "missing";
    BSTR name = nullptr, help = nullptr;
    info->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr);
    std::wstring text = std::wstring(name ? name : L"") + L": " + (help ? help : L"");
    SysFreeString(name);
    SysFreeString(help);
    return Narrow(text.c_str());
}

const char kRoot[] = "HKEY_CLASSES_ROOT\\";

class RegistrationTest : public ::testing::Test {
protected:
    testkit::RunResult Regsvr32(const std::string& options) {
        return testkit::RunProgram(testkit::SystemFilePath("regsvr32.exe"), options + " \"" + PluginPath() + "\"");
    }
    win::ComApartment apartment;
    vboard::InProcessBoards boards;
    testkit::RegistrySandbox settings;
    testkit::SystemDirSandbox setupFiles{{"*.ssf"}};
};

}  // namespace

TEST_F(RegistrationTest, RegistersExactlyItsKeysAndRemovesThemAgain) {
    ASSERT_TRUE(boards.serving());
    testkit::RunResult run = Regsvr32("/s");
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, 0u);

    std::vector<CLSID> mixers = RegisteredMixers();
    ASSERT_EQ(mixers.size(), 1u) << "one entry under AudioX";
    std::optional<CLSID> page = ClassOfProgId(L"AudxMixer.EqPage");
    ASSERT_TRUE(page);
    const std::string mixer = Text(mixers.front()), eqPage = Text(*page);
    const std::string mixerKey = "CLSID\\" + mixer, pageKey = "CLSID\\" + eqPage;
    const std::vector<std::string> keys = {
        "HKCR\\AudxMixer.Mixer.1", "HKCR\\AudxMixer.Mixer", "HKCR\\Quorvi.Mixer.1", "HKCR\\Quorvi.Mixer",
        "HKCR\\" + mixerKey, "HKCR\\AudioX\\" + mixer,
        "HKCR\\AudxMixer.EqPage.1", "HKCR\\AudxMixer.EqPage", "HKCR\\" + pageKey};

    RegistryTree tree = RegDump(keys);
    std::string library = tree[kRoot + mixerKey + "\\TypeLib"]["(Default)"];
    std::string path = tree[kRoot + mixerKey + "\\InprocServer32"]["(Default)"];
    EXPECT_EQ(Upper(path), Upper(PluginPath()));
    RegistryTree expected = {
        {kRoot + std::string("AudxMixer.Mixer.1"), {{"(Default)", "Quorvi AudioX Mixer"}}},
        {kRoot + std::string("AudxMixer.Mixer.1\\CLSID"), {{"(Default)", mixer}}},
        {kRoot + std::string("AudxMixer.Mixer"), {{"(Default)", "Quorvi AudioX Mixer"}}},
        {kRoot + std::string("AudxMixer.Mixer\\CLSID"), {{"(Default)", mixer}}},
        {kRoot + std::string("AudxMixer.Mixer\\CurVer"), {{"(Default)", "Quorvi.Mixer.1"}}},
        {kRoot + std::string("Quorvi.Mixer.1"), {{"(Default)", "Quorvi AudioX Mixer"}}},
        {kRoot + std::string("Quorvi.Mixer.1\\CLSID"), {{"(Default)", mixer}}},
        {kRoot + std::string("Quorvi.Mixer"), {{"(Default)", "Quorvi AudioX Mixer"}}},
        {kRoot + std::string("Quorvi.Mixer\\CLSID"), {{"(Default)", mixer}}},
        {kRoot + std::string("Quorvi.Mixer\\CurVer"), {{"(Default)", "Quorvi.Mixer.1"}}},
        {kRoot + mixerKey, {{"(Default)", "Quorvi AudioX Mixer"}}},
        {kRoot + mixerKey + "\\ProgID", {{"(Default)", "Quorvi.Mixer.1"}}},
        {kRoot + mixerKey + "\\VersionIndependentProgID", {{"(Default)", "Quorvi.Mixer"}}},
        {kRoot + mixerKey + "\\InprocServer32", {{"(Default)", path}, {"ThreadingModel", "Both"}}},
        {kRoot + mixerKey + "\\TypeLib", {{"(Default)", library}}},
        {kRoot + std::string("AudioX\\") + mixer, {{"(Default)", "Quorvi Controls"}}},
        {kRoot + std::string("AudxMixer.EqPage.1"), {{"(Default)", "EqPage Class"}}},
        {kRoot + std::string("AudxMixer.EqPage.1\\CLSID"), {{"(Default)", eqPage}}},
        {kRoot + std::string("AudxMixer.EqPage"), {{"(Default)", "EqPage Class"}}},
        {kRoot + std::string("AudxMixer.EqPage\\CLSID"), {{"(Default)", eqPage}}},
        {kRoot + std::string("AudxMixer.EqPage\\CurVer"), {{"(Default)", "AudxMixer.EqPage.1"}}},
        {kRoot + pageKey, {{"(Default)", "EqPage Class"}}},
        {kRoot + pageKey + "\\InprocServer32", {{"(Default)", path}, {"ThreadingModel", "Apartment"}}},
    };
    EXPECT_EQ(tree, expected);

    // Every name the keys give for the mixer leads back to it, as tools that
    // keep a class by its ProgID look it up.
    LPOLESTR progId = nullptr;
    ASSERT_EQ(ProgIDFromCLSID(mixers.front(), &progId), S_OK);
    for (const wchar_t* name : {static_cast<const wchar_t*>(progId), L"Quorvi.Mixer", L"AudxMixer.Mixer"}) {
        std::optional<CLSID> found = ClassOfProgId(name);
        EXPECT_TRUE(found && *found == mixers.front()) << Text(mixers.front());
    }
    CoTaskMemFree(progId);
    for (const char* independent : {"AudxMixer.Mixer", "Quorvi.Mixer"}) {
        std::string current = tree[kRoot + std::string(independent) + "\\CurVer"]["(Default)"];
        EXPECT_TRUE(tree.count(kRoot + current + "\\CLSID")) << independent << " names " << current;
    }

    // The type library registered with the scripts names the same classes.
    GUID libraryId{};
    std::wstring wideLibrary(library.begin(), library.end());
    ASSERT_EQ(CLSIDFromString(wideLibrary.c_str(), &libraryId), S_OK);
    ComPtr<ITypeLib> types;
    ASSERT_EQ(LoadRegTypeLib(libraryId, 1, 0, LOCALE_NEUTRAL, types.put()), S_OK);
    BSTR name = nullptr, help = nullptr;
    types->GetDocumentation(-1, &name, &help, nullptr, nullptr);
    EXPECT_STREQ(name, L"QUORVIXLib");
    EXPECT_STREQ(help, L"QuorviX 1.0 Type Library");
    SysFreeString(name);
    SysFreeString(help);
    EXPECT_EQ(Described(types.get(), mixers.front()), "Mixer: AudioX for Quorvi Class");
    EXPECT_EQ(Described(types.get(), *page), "EqPage: EqPage Class");
    types.reset();

    // A host that finds the plug-in there gets one mixer however often it asks.
    run = testkit::RunProgram(testkit::ProgramDirectory() + "\\audiox_host.exe", "same");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);

    run = Regsvr32("/s /u");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(RegDump(keys).empty());
    EXPECT_FALSE(RegKeyFound("HKCR\\TypeLib\\" + library));
    EXPECT_TRUE(RegKeyFound("HKCR\\CLSID"));
    EXPECT_TRUE(RegKeyFound("HKCR\\AudioX")) << "other plug-ins' parent key stays";
}

// A quote in the install path must not end the script's string early.
TEST_F(RegistrationTest, RegistersFromAFolderWithAQuoteInItsName) {
    const std::string folder = "C:\\it's here";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    const std::string plugin = folder + "\\quorvix.dll";
    ASSERT_TRUE(CopyFileA(PluginPath().c_str(), plugin.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((testkit::ProgramDirectory() + "\\quorvicore.dll").c_str(),
                          (folder + "\\quorvicore.dll").c_str(), FALSE));

    testkit::RunResult run = testkit::RunProgram(testkit::SystemFilePath("regsvr32.exe"), "/s \"" + plugin + "\"");
    EXPECT_EQ(run.exitCode, 0u);
    std::vector<CLSID> mixers = RegisteredMixers();
    ASSERT_EQ(mixers.size(), 1u);
    const std::string server = "CLSID\\" + Text(mixers.front()) + "\\InprocServer32";
    EXPECT_EQ(testkit::ReadRegString(HKEY_CLASSES_ROOT, server, ""), plugin);
    run = testkit::RunProgram(testkit::SystemFilePath("regsvr32.exe"), "/s /u \"" + plugin + "\"");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(testkit::RegKeyExists(HKEY_CLASSES_ROOT, server));

    DeleteFileA(plugin.c_str());
    DeleteFileA((folder + "\\quorvicore.dll").c_str());
    RemoveDirectoryA(folder.c_str());
}
