#pragma once
// Class identifiers of the boards' three streaming drivers. The ASIO one is
// quorviasio's own class; the EASI and GSIF drivers are installed from
// outside and keep their latency settings under a key of the same form.
// The registry key names are derived from the GUIDs so the two can never
// disagree.
#include <windows.h>

#include <array>

namespace quorvi {

// The ASIO driver's name: what it answers hosts, and its entry in the hosts'
// list of drivers.
inline constexpr const char* kAsioDriverName = "ASIO Audio for Quorvi";

inline constexpr GUID kAsioDriverClsid = {
    0xEF331249, 0xFCE8, 0x4C9D, {0xA8, 0x46, 0x2C, 0x3A, 0xEF, 0x41, 0xC5, 0x75}};
inline constexpr GUID kEasiDriverClsid = {
    0x4D39E1C1, 0x1BE6, 0x4E24, {0xA3, 0x85, 0x5F, 0x20, 0xAA, 0xA9, 0xBA, 0x41}};
inline constexpr GUID kGsifDriverClsid = {
    0x9317368C, 0x7EA5, 0x4BF2, {0x82, 0xFB, 0x56, 0x5E, 0x30, 0x19, 0xC9, 0x76}};

// "CLSID\{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" and its terminating NUL:
// the path of a class's key under HKEY_CLASSES_ROOT.
using ClsidKeyName = std::array<char, 45>;

constexpr ClsidKeyName clsidKeyName(const GUID& id) {
    constexpr char digits[] = "0123456789ABCDEF";
    ClsidKeyName name{};
    std::size_t at = 0;
    auto put = [&](char c) { name[at++] = c; };
    auto hex = [&](unsigned long value, int width) {
        for (int shift = (width - 1) * 4; shift >= 0; shift -= 4) put(digits[(value >> shift) & 0xF]);
    };
    for (char c : "CLSID\\{") {
        if (c != '\0') put(c);
    }
    hex(id.Data1, 8);
    put('-');
    hex(id.Data2, 4);
    put('-');
    hex(id.Data3, 4);
    put('-');
    for (int i = 0; i < 8; ++i) {
        if (i == 2) put('-');
        hex(id.Data4[i], 2);
    }
    put('}');
    return name;
}

inline constexpr ClsidKeyName kAsioDriverKey = clsidKeyName(kAsioDriverClsid);
inline constexpr ClsidKeyName kEasiDriverKey = clsidKeyName(kEasiDriverClsid);
inline constexpr ClsidKeyName kGsifDriverKey = clsidKeyName(kGsifDriverClsid);

}  // namespace quorvi
