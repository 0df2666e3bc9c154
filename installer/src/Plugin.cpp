// The setup's engine as an NSIS plug-in: the script shows pages and carries
// the files, and calls Install or Uninstall here for the work.
//   quorvisetup::Install <package folder> <tray at log-on 0|1> <version> <log file or "">
//   quorvisetup::Uninstall <remove user data 0|1> <log file or "">
// Each leaves on the stack, from the top: "ok", "failed" or "incomplete";
// the text to show the user ("" when there is none); "1" when Windows must
// restart to finish, else "0".
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>

#include "Suite.h"
#include "Texts.h"
#include "resource.h"
#include "win/ExceptionGuard.h"
#include "win/File.h"
#include "win/SystemError.h"

namespace {

// NSIS's stack of strings, each entry string_size characters long.
struct StackEntry {
    StackEntry* next;
    char text[1];
};

class Stack {
public:
    Stack(int stringSize, StackEntry** top) : size_(stringSize > 0 ? stringSize : 1), top_(top) {}

    std::string Pop() {
        if (!top_ || !*top_) return {};
        StackEntry* entry = *top_;
        *top_ = entry->next;
        std::string text(entry->text, strnlen(entry->text, size_));
        GlobalFree(entry);
        return text;
    }
    void Push(const std::string& text) {
        if (!top_) return;
        auto* entry = static_cast<StackEntry*>(GlobalAlloc(GPTR, sizeof(StackEntry) + size_));
        if (!entry) return;
        lstrcpynA(entry->text, text.c_str(), size_);
        entry->next = *top_;
        *top_ = entry;
    }

private:
    int size_;
    StackEntry** top_;
};

// Each line goes to the installer's list of details and to the log file.
class Details {
public:
    Details(HWND installer, const std::string& logPath) {
        if (HWND page = installer ? FindWindowExA(installer, nullptr, "#32770", nullptr) : nullptr)
            list_ = FindWindowExA(page, nullptr, WC_LISTVIEWA, nullptr);
        if (!logPath.empty()) {
            log_ = win::File::Open(logPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
            if (!log_) logFailure_ = setup::Text(IDS_LOG_FAILED, {logPath, win::SystemErrorText(log_.lastError())});
            log_.seek(0, FILE_END);
        }
    }
    // Why the log asked for cannot be written; empty when it can, or when
    // none was asked for.
    const std::string& logFailure() const { return logFailure_; }
    void Line(const std::string& text) {
        if (list_) {
            LVITEMA item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
            item.pszText = const_cast<char*>(text.c_str());
            const auto at = SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
            SendMessageA(list_, LVM_ENSUREVISIBLE, at, FALSE);
        }
        if (log_) {
            const std::string line = text + "\r\n";
            log_.writeAll(line.data(), static_cast<DWORD>(line.size()));
        }
    }

private:
    HWND list_ = nullptr;
    win::File log_;
    std::string logFailure_;
};

std::string Joined(UINT heading, const std::vector<std::string>& lines) {
    std::string text = setup::Text(heading);
    for (const std::string& line : lines) text += "\n" + line;
    return text;
}

void Finish(Stack& stack, Details& details, const setup::Outcome& outcome, UINT allUndone) {
    std::string status = "ok", message;
    if (!outcome.failure.empty()) {
        status = "failed";
        message = outcome.failure + "\n\n" +
                  (outcome.left.empty() ? setup::Text(allUndone) : Joined(IDS_NOT_ROLLED_BACK, outcome.left));
    } else if (!outcome.left.empty()) {
        status = "incomplete";
        message = Joined(IDS_NOT_REMOVED, outcome.left);
    }
    if (!message.empty()) details.Line(message);
    stack.Push(outcome.restartNeeded ? "1" : "0");
    stack.Push(message);
    stack.Push(status);
}

}  // namespace

extern "C" __declspec(dllexport) void __cdecl Install(HWND installer, int stringSize, char*, StackEntry** top,
                                                      void*) {
    Stack stack(stringSize, top);
    const std::string package = stack.Pop();
    const bool trayAtLogon = stack.Pop() == "1";
    const std::string version = stack.Pop();
    Details details(installer, stack.Pop());
    // A run asked to keep a log that it cannot keep does nothing, as an
    // administrator's script relies on that log.
    if (!details.logFailure().empty()) {
        Finish(stack, details, {details.logFailure(), {}, false}, IDS_ROLLED_BACK);
        return;
    }
    const bool done = win::RunGuarded(false, [&] {
        const setup::Outcome outcome = setup::Install(setup::ThisMachine(), package, trayAtLogon, version,
                                                      [&](const std::string& line) { details.Line(line); });
        Finish(stack, details, outcome, IDS_ROLLED_BACK);
        return true;
    });
    if (!done) Finish(stack, details, {setup::Text(IDS_STOPPED), {}, false}, IDS_ROLLED_BACK);
}

extern "C" __declspec(dllexport) void __cdecl Uninstall(HWND installer, int stringSize, char*, StackEntry** top,
                                                        void*) {
    Stack stack(stringSize, top);
    const bool removeUserData = stack.Pop() == "1";
    Details details(installer, stack.Pop());
    if (!details.logFailure().empty()) {
        Finish(stack, details, {details.logFailure(), {}, false}, IDS_NOTHING_REMOVED);
        return;
    }
    const bool done = win::RunGuarded(false, [&] {
        const setup::Outcome outcome = setup::Uninstall(setup::ThisMachine(), removeUserData,
                                                        [&](const std::string& line) { details.Line(line); });
        Finish(stack, details, outcome, IDS_NOTHING_REMOVED);
        return true;
    });
    if (!done) Finish(stack, details, {setup::Text(IDS_STOPPED), {}, false}, IDS_NOTHING_REMOVED);
}
