// A small AudioX host for the tests and the demo: finds the mixer plug-in
// through the registry as hosts do and works it from the command line.
//   audiox_host tree               the mixer's element tree
//   audiox_host same               0 when two creations give the same mixer
//   audiox_host mute NAME LEVEL    sets the channel's send level, mutes it, unmutes it
//   audiox_host eqpage             the equaliser page in a property frame, until closed
//   audiox_host find               0 once that frame is shown
//   audiox_host close              closes that frame with Cancel
#include <windows.h>
#include <olectl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "HostKit.h"

using namespace audioxhost;

namespace {

const wchar_t kFrameCaption[] = L"Equaliser";

HRESULT CreateMixer(ComPtr<IAxMixer>& mixer) {
    std::vector<CLSID> mixers = RegisteredMixers();
    if (mixers.empty()) return REGDB_E_CLASSNOTREG;
    return CoCreateInstance(mixers.front(), nullptr, CLSCTX_INPROC_SERVER, IID_IAxMixer, mixer.putVoid());
}

int Fail(const char* what, HRESULT hr) {
    std::printf("%s failed: 0x%08lx\n", what, static_cast<unsigned long>(hr));
    return 2;
}

int PrintTree() {
    ComPtr<IAxMixer> mixer;
    if (HRESULT hr = CreateMixer(mixer); FAILED(hr)) return Fail("creating the mixer", hr);
    std::fputs(Tree(mixer.get()).c_str(), stdout);
    return 0;
}

int SameMixer() {
    ComPtr<IAxMixer> first, second;
    if (HRESULT hr = CreateMixer(first); FAILED(hr)) return Fail("creating the mixer", hr);
    if (HRESULT hr = CreateMixer(second); FAILED(hr)) return Fail("creating the mixer again", hr);
    ComPtr<IUnknown> a, b;
    first.As(IID_IUnknown, a);
    second.As(IID_IUnknown, b);
    std::printf("%s\n", a.get() == b.get() ? "same mixer" : "two mixers");
    return a.get() == b.get() ? 0 : 1;
}

int MuteAndUnmute(const std::string& name, float level) {
    ComPtr<IAxMixer> mixer;
    if (HRESULT hr = CreateMixer(mixer); FAILED(hr)) return Fail("creating the mixer", hr);
    ComPtr<IAxChannel> channel = FindChannel(mixer.get(), name);
    ComPtr<IAxBus> bus = MonitorBus(mixer.get());
    if (!channel || !bus) return Fail(("finding " + name).c_str(), E_INVALIDARG);
    if (HRESULT hr = channel->SetSendLevel(bus.get(), level); FAILED(hr)) return Fail("level", hr);
    std::printf("%s: level %.3f\n", name.c_str(), level);
    if (HRESULT hr = channel->SetSendMute(bus.get(), 1); FAILED(hr)) return Fail("mute", hr);
    std::printf("%s: muted\n", name.c_str());
    if (HRESULT hr = channel->SetSendMute(bus.get(), 0); FAILED(hr)) return Fail("unmute", hr);
    std::printf("%s: unmuted\n", name.c_str());
    return 0;
}

int ShowEqPage() {
    std::optional<CLSID> page = ClassOfProgId(L"AudxMixer.EqPage");
    if (!page) return Fail("finding the equaliser page", REGDB_E_CLASSNOTREG);
    ComPtr<TestEqualiser> left = TestEqualiser::Create(), right = TestEqualiser::Create();
    IUnknown* effects[] = {left.get(), right.get()};
    HRESULT hr = OleCreatePropertyFrame(nullptr, 40, 40, kFrameCaption, 2, effects, 1, &*page, 0, 0, nullptr);
    return SUCCEEDED(hr) ? 0 : Fail("the property frame", hr);
}

// The frame of an `eqpage` run, waiting up to ten seconds for it.
HWND FindFrame() {
    for (int tries = 0; tries < 100; ++tries) {
        for (HWND w = FindWindowW(L"#32770", nullptr); w; w = FindWindowExW(nullptr, w, L"#32770", nullptr)) {
            wchar_t caption[128];
            GetWindowTextW(w, caption, 128);
            if (IsWindowVisible(w) && std::wstring(caption).find(kFrameCaption) != std::wstring::npos) return w;
        }
        Sleep(100);
    }
    return nullptr;
}

int CloseFrame() {
    HWND frame = FindFrame();
    if (!frame) return Fail("finding the property frame", E_FAIL);
    PostMessageW(frame, WM_COMMAND, IDCANCEL, 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    win::ComApartment apartment;
    if (command == "tree") return PrintTree();
    if (command == "same") return SameMixer();
    if (command == "mute" && argc > 3) return MuteAndUnmute(argv[2], static_cast<float>(std::atof(argv[3])));
    if (command == "eqpage") return ShowEqPage();
    if (command == "find") return FindFrame() ? 0 : Fail("finding the property frame", E_FAIL);
    if (command == "close") return CloseFrame();
    std::puts("usage: audiox_host tree | same | mute NAME LEVEL | eqpage | find | close");
    return 2;
}
