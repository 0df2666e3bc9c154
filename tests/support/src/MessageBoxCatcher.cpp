#include "testkit/MessageBoxCatcher.h"
#include "WindowQuery.h"
#include <gtest/gtest.h>
#include <algorithm>

namespace testkit {
namespace {

const DWORD kScanMs = 10;
// A box still there this long after its button was pressed is pressed again:
// the first press may have come before the box's loop was ready for it.
const DWORD kRepressMs = 1000;
const UINT kTextTimeoutMs = 2000;

std::string TextOf(HWND w) { return TextWithin(w, kTextTimeoutMs); }

struct BoxParts {
    std::vector<HWND> texts;    // statics that are not the icon
    std::map<int, HWND> buttons;  // visible buttons by id
    bool other = false;         // any control a message box does not have
};

BOOL CALLBACK CollectPart(HWND child, LPARAM param) {
    auto* parts = reinterpret_cast<BoxParts*>(param);
    std::string cls = ClassOf(child);
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (_stricmp(cls.c_str(), "Static") == 0) {
        if ((style & SS_TYPEMASK) != SS_ICON) parts->texts.push_back(child);
    } else if (_stricmp(cls.c_str(), "Button") == 0) {
        if (IsWindowVisible(child)) parts->buttons[GetDlgCtrlID(child)] = child;
    } else {
        parts->other = true;
    }
    return TRUE;
}

// A message box is a dialog of the system's own (no module, or user32, owns
// its template) made of a text, an optional icon and push buttons with the
// standard ids. A program's dialog, however plain, is left to the robot.
bool IsMessageBox(HWND w, BoxParts& parts) {
    if (!IsWindowVisible(w) || ClassOf(w) != "#32770") return false;
    auto module = reinterpret_cast<HMODULE>(GetWindowLongPtrA(w, GWLP_HINSTANCE));
    if (module && module != GetModuleHandleA("user32.dll")) return false;
    EnumChildWindows(w, CollectPart, reinterpret_cast<LPARAM>(&parts));
    if (parts.other || parts.texts.empty() || parts.buttons.empty()) return false;
    for (const auto& [id, button] : parts.buttons)
        if (id < IDOK || id > IDCONTINUE) return false;
    return true;
}

BOOL CALLBACK CollectTopWindow(HWND w, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(w);
    return TRUE;
}

const char* ButtonName(int id) {
    switch (id) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDABORT: return "Abort";
    case IDRETRY: return "Retry";
    case IDIGNORE: return "Ignore";
    case IDYES: return "Yes";
    case IDNO: return "No";
    case IDCLOSE: return "Close";
    case IDHELP: return "Help";
    case IDTRYAGAIN: return "Try Again";
    case IDCONTINUE: return "Continue";
    default: return "?";
    }
}

// The wanted button if the box has it, else the least committal one it has.
int ChooseButton(const BoxParts& parts, int wanted) {
    for (int id : {wanted, IDCANCEL, IDNO, IDOK, IDCLOSE, IDIGNORE})
        if (parts.buttons.count(id)) return id;
    return parts.buttons.begin()->first;
}

void Press(HWND box, HWND button, int id) {
    // Posted, not sent: the box's modal loop runs on another thread, and the
    // watcher must never wait on it.
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

// The live catchers, oldest first; only the last one answers boxes.
std::mutex liveMutex;
std::vector<const MessageBoxCatcher*> live;

bool IsNewest(const MessageBoxCatcher* catcher) {
    std::lock_guard<std::mutex> lock(liveMutex);
    return !live.empty() && live.back() == catcher;
}

}  // namespace

MessageBoxCatcher::MessageBoxCatcher(int unexpectedAnswer)
    : unexpectedAnswer_(unexpectedAnswer), stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    {
        std::lock_guard<std::mutex> lock(liveMutex);
        live.push_back(this);
    }
    watcher_ = std::thread([this] { Watch(); });
}

MessageBoxCatcher::~MessageBoxCatcher() {
    {
        std::lock_guard<std::mutex> lock(liveMutex);
        live.erase(std::find(live.begin(), live.end(), this));
    }
    SetEvent(stop_);
    watcher_.join();
    CloseHandle(stop_);
    if (!answers_.empty())
        ADD_FAILURE() << answers_.size() << " announced message box(es) never appeared";
}

void MessageBoxCatcher::AlsoWatch(DWORD processId) {
    std::lock_guard<std::mutex> lock(mutex_);
    processes_.push_back(processId);
}

bool MessageBoxCatcher::Watched(HWND w) const {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == GetCurrentProcessId()) return true;
    std::lock_guard<std::mutex> lock(mutex_);
    return std::find(processes_.begin(), processes_.end(), pid) != processes_.end();
}

void MessageBoxCatcher::Expect(int answer, int count) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.insert(answers_.end(), count, answer);
}

bool MessageBoxCatcher::WaitForBoxes(size_t count, DWORD timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    return caught_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return answered_ >= count; });
}

std::vector<CaughtBox> MessageBoxCatcher::Boxes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
}

std::vector<std::string> MessageBoxCatcher::Texts() const {
    std::vector<std::string> texts;
    for (const CaughtBox& b : Boxes()) texts.push_back(b.text);
    return texts;
}

void MessageBoxCatcher::Watch() {
    while (WaitForSingleObject(stop_, kScanMs) == WAIT_TIMEOUT) Scan();
}

void MessageBoxCatcher::Scan() {
    for (auto it = pressed_.begin(); it != pressed_.end();)
        it = IsWindow(it->first) ? std::next(it) : pressed_.erase(it);
    std::vector<HWND> windows;
    EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&windows));
    for (HWND w : windows) Answer(w);
}

void MessageBoxCatcher::Answer(HWND w) {
    BoxParts parts;
    if (!IsNewest(this) || !Watched(w) || !IsMessageBox(w, parts)) return;
    auto seen = pressed_.find(w);
    if (seen != pressed_.end()) {
        auto& [id, tick] = seen->second;
        if (GetTickCount() - tick >= kRepressMs && parts.buttons.count(id)) {
            Press(w, parts.buttons[id], id);
            tick = GetTickCount();
        }
        return;
    }
    CaughtBox box;
    box.caption = TextOf(w);
    for (HWND t : parts.texts) box.text += TextOf(t);
    int wanted;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        box.expected = !answers_.empty();
        wanted = box.expected ? answers_.front() : unexpectedAnswer_;
        if (box.expected) answers_.pop_front();
    }
    box.pressed = ChooseButton(parts, wanted);
    if (!box.expected)
        ADD_FAILURE() << "unexpected message box \"" << box.caption << "\": \"" << box.text << "\"";
    else if (box.pressed != wanted)
        ADD_FAILURE() << "message box \"" << box.text << "\" has no " << ButtonName(wanted) << " button";
    // Recorded before the press, since the call that showed the box may
    // return, and its test read the boxes, the moment the box goes; counted
    // as answered after it, so that what a test posts once its wait for the
    // box is over comes after the press.
    {
        std::lock_guard<std::mutex> lock(mutex_);
        boxes_.push_back(box);
    }
    Press(w, parts.buttons[box.pressed], box.pressed);
    pressed_[w] = {box.pressed, GetTickCount()};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++answered_;
    }
    caught_.notify_all();
}

}  // namespace testkit
