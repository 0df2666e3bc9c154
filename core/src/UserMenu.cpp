// The user menu: setup files the user reaches from the tray, kept in the
// registry as a list of names, each offered with its file's description.
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CoreStrings.h"
#include "SetupFiles.h"
#include "quorvi/QuorviCore.h"
#include "win/ExceptionGuard.h"
#include "win/File.h"
#include "win/RegKey.h"

using namespace quorvi;

namespace {

const char kQuelmarKey[] = "Software\\Quelmar";
const char kUserMenu[] = "UserMenu";
// Room for a full list of the longest names this code writes, so that a list
// it stored is never too long to read back (and so emptied).
const DWORD kUserMenuBytes = kUserMenuEntries * MAX_PATH + 1;
// What a menu entry needs of its file: enough to hold the description.
const DWORD kMenuReadSize = 17844;

struct Entry {
    std::string name;
    std::string description;
};

// The description of a listed file, or nothing when it cannot be read.
std::optional<std::string> ReadDescription(const std::string& name) {
    if (name.size() >= MAX_PATH) return std::nullopt;
    auto path = SetupPath(name.c_str(), name.size() + 1);
    if (!path) return std::nullopt;
    win::File file = win::File::OpenRead(path->c_str());
    auto head = std::make_unique<std::uint8_t[]>(kMenuReadSize);
    if (!file || !file.readExact(head.get(), kMenuReadSize)) return std::nullopt;
    const char* description = reinterpret_cast<const char*>(head.get() + offsetof(SettingsRecord, description));
    return win::BoundedString(description, kDescriptionSize - 1);
}

std::vector<std::string> NamesOf(const std::vector<Entry>& entries) {
    std::vector<std::string> names;
    for (const Entry& e : entries) names.push_back(e.name);
    return names;
}

void WriteList(const std::vector<Entry>& entries) {
    win::RegKey key = win::RegKey::Create(HKEY_CURRENT_USER, kQuelmarKey);
    key.setMultiString(kUserMenu, NamesOf(entries));
}

// Reads the list, drops the names whose files cannot be read, and stores
// what is left so that vanished files disappear for good.
std::vector<Entry> ReadList() {
    std::vector<Entry> entries;
    std::optional<std::vector<std::string>> names;
    {
        win::RegKey key = win::RegKey::Open(HKEY_CURRENT_USER, kQuelmarKey, KEY_READ);
        if (key) names = key.queryMultiString(kUserMenu, kUserMenuBytes);
    }
    if (names) {
        for (std::size_t i = 0; i < names->size() && i < kUserMenuEntries; ++i) {
            if (auto description = ReadDescription((*names)[i])) {
                entries.push_back({(*names)[i], *description});
            }
        }
    }
    WriteList(entries);
    return entries;
}

// Drops every entry that begins with name, in any case.
void RemoveMatches(std::vector<Entry>& entries, const char* name) {
    std::size_t length = std::strlen(name);
    if (length == 0) return;
    std::erase_if(entries, [&](const Entry& e) {
        return e.name.size() >= length &&
               CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, e.name.c_str(),
                              static_cast<int>(length), name, static_cast<int>(length)) ==
                   CSTR_EQUAL;
    });
}

void NotifyTray() { Broadcasts().updateUserMenu.Send(); }

}  // namespace

extern "C" int WINAPI QuorviGetUserMenu(UserMenuList* list) {
    return win::RunGuarded(0, [&] {
        if (!list) return 0;
        std::vector<Entry> entries = ReadList();
        std::memset(list, 0, sizeof *list);
        list->count = static_cast<std::int32_t>(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            CopyBounded(list->names[i], MAX_PATH, entries[i].name);
            CopyBounded(list->descriptions[i], MAX_PATH, entries[i].description);
        }
        return list->count != 0 ? 1 : 0;
    });
}

extern "C" void WINAPI QuorviRemoveUserMenu(const char* name) {
    win::RunGuarded(0, [&] {
        if (!name) return 0;
        std::vector<Entry> entries = ReadList();
        std::size_t before = entries.size();
        RemoveMatches(entries, name);
        if (entries.size() != before) {
            WriteList(entries);
            NotifyTray();
        }
        return 0;
    });
}

extern "C" void WINAPI QuorviAddUserMenu(const char* name) {
    win::RunGuarded(0, [&] {
        if (!name || !*name) return 0;
        std::vector<Entry> entries = ReadList();
        std::vector<std::string> before = NamesOf(entries);
        RemoveMatches(entries, name);
        if (entries.size() >= static_cast<std::size_t>(kUserMenuEntries)) return 0;
        // A name that can never be read back is not stored even for a moment:
        // an overlong one would make the whole list unreadable.
        if (IsPlainFileName(name, MAX_PATH)) entries.push_back({name, {}});
        WriteList(entries);
        // A move to the end changes the menu's order though not its length:
        // the tray picks entries by position, so it must rebuild then too.
        if (NamesOf(ReadList()) != before) NotifyTray();
        return 0;
    });
}
