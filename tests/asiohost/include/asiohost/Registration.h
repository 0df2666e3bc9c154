#pragma once
// Registers an in-process ASIO driver as an installer does: its class key
// with the server's path and the "Both" threading model, and its entry in
// the hosts' driver list.
#include <windows.h>
#include <objbase.h>

#include <string>

namespace asiohost {

struct DriverEntry {
    CLSID clsid;
    std::string name;  // the key in the hosts' list, and the description
    std::string path;  // the DLL
};

bool Register(const DriverEntry& entry);
// "CLSID\{...}" and "SOFTWARE\ASIO\<name>": the keys Register writes.
std::string ClassKey(const CLSID& clsid);
std::string ListKey(const std::string& name);

}  // namespace asiohost
