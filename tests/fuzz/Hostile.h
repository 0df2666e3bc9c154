#pragma once
// What other programs can throw at the tray and the applet: every registered
// message of the suite, and the stored values each program reads when it
// starts. The tables grow with the programs' windows: a new message or value
// is one more line.
#include <windows.h>

#include <string>
#include <vector>

#include "FuzzKit.h"

namespace fuzz {

struct Broadcast {
    const char* name;
    bool endsProgram;  // the receiver closes on it
};

inline const Broadcast kBroadcasts[] = {
    {"START QUORVI UPDATE", false},     {"END QUORVI UPDATE", false},     {"QUORVI TRAY", false},
    {"QUORVI METERS", false},           {"QUORVI MIXER", false},          {"QUORVI UPDATE USER MENU", false},
    {"QUORVI USER MENU CHOSEN", false}, {"QUORVI IDENTIFY START", false}, {"QUORVI IDENTIFY STOP", false},
    {"QUORVI CP", false},               {"START QUORVI TRAY", false},     {"QUORVI TRAY RUNNING", false},
    {"QUORVI SAMPLE RATE CHANGED", false}, {"QUORVI SHUTDOWN", true},
};

inline const Broadcast& Named(const char* name) {
    for (const Broadcast& b : kBroadcasts)
        if (std::string(b.name) == name) return b;
    return kBroadcasts[0];
}

// A command of the virtual boards that makes `request` fail or answer
// badly, for one request or a few. Without `noise` where arbitrary values
// would be a broken kernel rather than a bad answer.
inline std::string Misbehaviour(Rng& rng, const std::string& request, bool noise = true) {
    std::string scope = rng.chance(2) ? " once" : " times " + std::to_string(2 + rng.below(4));
    switch (rng.below(noise ? 4 : 3)) {
    case 0: return "fail " + request + " " + std::to_string(1 + rng.below(0xFFFF)) + scope;
    case 1: return "misreply " + request + " short " + std::to_string(rng.below(300)) + scope;
    case 2: return "misreply " + request + " long" + scope;
    default: return "misreply " + request + " noise " + std::to_string(rng.word()) + scope;
    }
}

struct StoredValue {
    HKEY root;
    const char* key;
    const char* name;  // "" for the key's default value
};

inline constexpr const char* kMakerKey = "SOFTWARE\\Quelmar";
inline constexpr const char* kUserKey = "Software\\Quelmar";
inline constexpr const char* kServiceKey = "SYSTEM\\CurrentControlSet\\Services\\QuorviNT";

// Read by the tray at start and while it runs.
inline const StoredValue kTrayValues[] = {
    {HKEY_LOCAL_MACHINE, kMakerKey, "QuorviStatus"},  {HKEY_LOCAL_MACHINE, kMakerKey, "Koriad"},
    {HKEY_LOCAL_MACHINE, kMakerKey, "ControlPanelPage"}, {HKEY_CURRENT_USER, kUserKey, "UserMenu"},
    {HKEY_LOCAL_MACHINE, kMakerKey, "SampleRate"},    {HKEY_LOCAL_MACHINE, kMakerKey, "ClockSource"},
    // The punch dialog's delay compensation, per interface type and direction.
    {HKEY_LOCAL_MACHINE, kMakerKey, "CustomOutputBlock"},      {HKEY_LOCAL_MACHINE, kMakerKey, "CustomOutputSample"},
    {HKEY_LOCAL_MACHINE, kMakerKey, "CustomInputBlock"},       {HKEY_LOCAL_MACHINE, kMakerKey, "CustomInputSample"},
    {HKEY_LOCAL_MACHINE, kMakerKey, "O2ROutputBlock"},         {HKEY_LOCAL_MACHINE, kMakerKey, "O2ROutputSample"},
    {HKEY_LOCAL_MACHINE, kMakerKey, "O2RInputBlock"},          {HKEY_LOCAL_MACHINE, kMakerKey, "O2RInputSample"},
    {HKEY_LOCAL_MACHINE, kMakerKey, "AdatDigitalOutputBlock"}, {HKEY_LOCAL_MACHINE, kMakerKey, "AdatDigitalOutputSample"},
    {HKEY_LOCAL_MACHINE, kMakerKey, "AdatDigitalInputBlock"},  {HKEY_LOCAL_MACHINE, kMakerKey, "AdatDigitalInputSample"},
    {HKEY_LOCAL_MACHINE, kMakerKey, "AdatAnalogOutputBlock"},  {HKEY_LOCAL_MACHINE, kMakerKey, "AdatAnalogOutputSample"},
    {HKEY_LOCAL_MACHINE, kMakerKey, "AdatAnalogInputBlock"},   {HKEY_LOCAL_MACHINE, kMakerKey, "AdatAnalogInputSample"},
};

// Read by the applet when it opens.
inline const StoredValue kPanelValues[] = {
    {HKEY_LOCAL_MACHINE, kMakerKey, "ControlPanelPage"},
    {HKEY_LOCAL_MACHINE, kMakerKey, "Samples"},
    {HKEY_LOCAL_MACHINE, kMakerKey, "Ticks0"},
    {HKEY_LOCAL_MACHINE, kMakerKey, "Ticks1"},
    {HKEY_LOCAL_MACHINE, kMakerKey, "Ticks2"},
    {HKEY_LOCAL_MACHINE, kMakerKey, "Ticks3"},
    {HKEY_CURRENT_USER, kUserKey, "UserMenu"},
    {HKEY_LOCAL_MACHINE, kServiceKey, "DeviceName"},
    {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\QuorviNT\\QuorviBoard0", "nMonoInDevices"},
    {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\QuorviNT\\QuorviBoard0", "nStereoInDevices"},
    {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\QuorviNT\\QuorviBoard0", "nMonoOutDevices"},
    {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\QuorviNT\\QuorviBoard0", "nStereoOutDevices"},
    {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\QuorviNT\\QuorviBoard0", "MonitorDeviceEnable"},
    {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\QuorviNT\\QuorviBoard0\\MonoIn0", "DeviceName"},
    {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\QuorviNT\\QuorviBoard0\\StereoOut0", "DeviceName"},
    {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\QuorviNT\\QuorviMTC", "DeviceName"},
};

// Each value missing, of any type and size, or an edgy number.
template <std::size_t N>
void PlaceValues(Rng& rng, const StoredValue (&values)[N]) {
    for (const StoredValue& v : values) {
        switch (rng.below(3)) {
        case 0: DeleteRegData(v.root, v.key, v.name); break;
        case 1: SetRegData(v.root, v.key, v.name, DwordData(rng.edgyWord())); break;
        default: SetRegData(v.root, v.key, v.name, RandomRegData(rng, 300)); break;
        }
    }
}

// One of the messages, with parameters of any value: sent (and so handled
// before this returns, or timed out) or posted. False when a send timed out.
inline bool Throw(Rng& rng, HWND window, const Broadcast& message) {
    UINT id = RegisterWindowMessageA(message.name);
    WPARAM w = rng.chance(2) ? rng.below(6) : rng.edgyWord();
    LPARAM l = static_cast<LPARAM>(rng.chance(2) ? rng.below(6) : rng.edgyWord());
    if (rng.chance(3)) return PostMessageA(window, id, w, l), true;
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, id, w, l, SMTO_NORMAL, 10000, &result) != 0 || GetLastError() != ERROR_TIMEOUT;
}

}  // namespace fuzz
