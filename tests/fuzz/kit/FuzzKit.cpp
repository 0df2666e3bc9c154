#include "FuzzKit.h"

#include <psapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fuzz {

std::uint64_t Rng::next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint32_t Rng::edgyWord() {
    static const std::uint32_t edges[] = {0,          1,          2,          3,          4,          7,
                                          8,          15,         16,         21,         22,         33,
                                          34,         63,         64,         68,         69,         127,
                                          128,        255,        256,        0x7FFF,     0x8000,     0xFFFF,
                                          0x10000,    0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFF00,
                                          44100,      48000,      96000,      0x7F800000, 0xFFC00000, 26688};
    switch (below(4)) {
    case 0: return word();
    case 1: return below(300);
    default: return edges[below(std::size(edges))];
    }
}

Bytes Rng::bytes(std::size_t count) {
    Bytes out(count);
    for (auto& b : out) b = static_cast<std::uint8_t>(word());
    return out;
}

std::string Rng::text(std::size_t maxLength) {
    static const char pieces[] = "abcXYZ019 ._-|%\\/:*?\"<>\t\x7F\xA0\xE9\xFF";
    std::size_t length = below(static_cast<std::uint32_t>(maxLength) + 1);
    std::string out;
    for (std::size_t i = 0; i < length; ++i) {
        char c = chance(8) ? static_cast<char>(1 + below(255)) : pieces[below(sizeof pieces - 1)];
        out += c;
    }
    return out;
}

void Mutate(Rng& rng, Bytes& data, std::size_t maxSize) {
    int edits = 1 + static_cast<int>(rng.below(8));
    for (int e = 0; e < edits; ++e) {
        switch (rng.below(6)) {
        case 0:
            if (!data.empty()) data[rng.below(static_cast<std::uint32_t>(data.size()))] ^= 1u << rng.below(8);
            break;
        case 1:
            if (!data.empty()) data[rng.below(static_cast<std::uint32_t>(data.size()))] = static_cast<std::uint8_t>(rng.word());
            break;
        case 2:
            if (data.size() >= 4) {
                std::uint32_t at = rng.below(static_cast<std::uint32_t>(data.size() - 3)) & ~3u;
                std::uint32_t v = rng.edgyWord();
                std::memcpy(data.data() + at, &v, 4);
            }
            break;
        case 3: data.resize(rng.below(static_cast<std::uint32_t>(maxSize + 1))); break;
        case 4:
            if (data.size() < maxSize) data.push_back(static_cast<std::uint8_t>(rng.word()));
            break;
        default:
            if (!data.empty()) {
                // A run of one value: long strings without terminators.
                std::uint32_t at = rng.below(static_cast<std::uint32_t>(data.size()));
                std::uint32_t run = rng.below(300);
                std::uint8_t v = rng.chance(2) ? 'A' : static_cast<std::uint8_t>(rng.word());
                for (std::uint32_t i = 0; i < run && at + i < data.size(); ++i) data[at + i] = v;
            }
        }
    }
}

namespace {

BOOL CALLBACK AddBlock(HMODULE module, LPCSTR, LPSTR name, LONG_PTR param) {
    if (!IS_INTRESOURCE(name)) return TRUE;
    auto* texts = reinterpret_cast<OwnTexts*>(param);
    UINT first = (static_cast<UINT>(reinterpret_cast<std::uintptr_t>(name)) - 1) * 16;
    for (UINT id = first; id < first + 16; ++id) {
        char text[2048];
        int n = LoadStringA(module, id, text, sizeof text);
        if (n > 0) texts->AddText(std::string(text, n));
    }
    return TRUE;
}

// A format field of printf or FormatMessage: %lx, %lX, %d, %s, %1, %2...
std::size_t FieldLength(const std::string& p, std::size_t at) {
    std::size_t i = at + 1;
    if (i < p.size() && p[i] == '%') return 0;
    while (i < p.size() && (std::isdigit(static_cast<unsigned char>(p[i])) || p[i] == 'l' || p[i] == '.' ||
                            p[i] == '-' || p[i] == '0'))
        ++i;
    if (i < p.size() && std::strchr("dxXsuifc", p[i])) ++i;
    return i - at;
}

bool MatchFrom(const std::string& p, std::size_t pi, const std::string& t, std::size_t ti) {
    while (pi < p.size()) {
        if (p[pi] == '%') {
            std::size_t field = FieldLength(p, pi);
            if (field > 1) {
                for (std::size_t k = ti; k <= t.size(); ++k)
                    if (MatchFrom(p, pi + field, t, k)) return true;
                return false;
            }
            if (field == 0) ++pi;  // "%%" stands for one '%'
        }
        if (ti >= t.size() || p[pi] != t[ti]) return false;
        ++pi;
        ++ti;
    }
    return ti == t.size();
}

// Message boxes come out of user32 (or from no module at all under Wine).
bool IsMessageBox(HWND w) {
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") != 0) return false;
    auto module = reinterpret_cast<HMODULE>(GetWindowLongPtrA(w, GWLP_HINSTANCE));
    return !module || module == GetModuleHandleA("user32.dll");
}

struct BoxParts {
    std::string text;
    int button = 0;
};

BOOL CALLBACK CollectPart(HWND child, LPARAM param) {
    auto* parts = reinterpret_cast<BoxParts*>(param);
    char cls[16] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (_stricmp(cls, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
        char text[4096] = {};
        GetWindowTextA(child, text, sizeof text);
        parts->text += text;
    } else if (_stricmp(cls, "Button") == 0) {
        int id = GetDlgCtrlID(child);
        // The least committal answer the box offers.
        if (!parts->button || id == IDCANCEL || (id == IDNO && parts->button != IDCANCEL)) parts->button = id;
    }
    return TRUE;
}

thread_local std::vector<std::string>* boxTexts = nullptr;

LRESULT CALLBACK BoxHook(int code, WPARAM wParam, LPARAM lParam) {
    auto* call = reinterpret_cast<CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITDIALOG && boxTexts && IsMessageBox(call->hwnd)) {
        BoxParts parts;
        EnumChildWindows(call->hwnd, CollectPart, reinterpret_cast<LPARAM>(&parts));
        boxTexts->push_back(parts.text);
        PostMessageA(call->hwnd, WM_COMMAND, MAKEWPARAM(parts.button ? parts.button : IDOK, BN_CLICKED), 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

Campaign* running = nullptr;

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info) {
    if (running) {
        char what[64];
        std::snprintf(what, sizeof what, "crash 0x%08lX at %p", info->ExceptionRecord->ExceptionCode,
                      info->ExceptionRecord->ExceptionAddress);
        running->Fault(what);
    }
    std::fflush(stdout);
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void OwnTexts::AddModule(HMODULE module) {
    EnumResourceNamesA(module, reinterpret_cast<LPCSTR>(RT_STRING), AddBlock, reinterpret_cast<LONG_PTR>(this));
}

bool OwnTexts::Matches(const std::string& text) const {
    for (const std::string& p : patterns_)
        if (MatchFrom(p, 0, text, 0)) return true;
    return false;
}

BoxRecorder::BoxRecorder() {
    boxTexts = new std::vector<std::string>;
    hook_ = SetWindowsHookExA(WH_CALLWNDPROCRET, BoxHook, nullptr, GetCurrentThreadId());
}

BoxRecorder::~BoxRecorder() {
    if (hook_) UnhookWindowsHookEx(hook_);
    delete boxTexts;
    boxTexts = nullptr;
}

std::vector<std::string> BoxRecorder::Take() {
    std::vector<std::string> texts;
    texts.swap(*boxTexts);
    return texts;
}

Ticker::Ticker(DWORD periodMs, std::function<void()> tick) : periodMs_(periodMs), tick_(std::move(tick)) {
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Main, this, 0, nullptr);
}

Ticker::~Ticker() {
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(stop_);
}

DWORD WINAPI Ticker::Main(void* self) {
    auto* t = static_cast<Ticker*>(self);
    while (WaitForSingleObject(t->stop_, t->periodMs_) == WAIT_TIMEOUT) t->tick_();
    return 0;
}

std::vector<std::string> BoxSweeper::Take() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> texts;
    texts.swap(texts_);
    return texts;
}

namespace {

struct SweepTarget {
    DWORD process;
    std::vector<HWND> boxes;
};

BOOL CALLBACK FindBoxes(HWND w, LPARAM param) {
    auto* target = reinterpret_cast<SweepTarget*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == target->process && IsWindowVisible(w) && IsMessageBox(w)) target->boxes.push_back(w);
    return TRUE;
}

}  // namespace

void BoxSweeper::Sweep() {
    SweepTarget target{process_, {}};
    if (!target.process) return;
    EnumWindows(FindBoxes, reinterpret_cast<LPARAM>(&target));
    std::erase_if(pressed_, [](HWND w) { return !IsWindow(w); });
    for (HWND box : target.boxes) {
        if (std::find(pressed_.begin(), pressed_.end(), box) != pressed_.end()) continue;
        BoxParts parts;
        EnumChildWindows(box, CollectPart, reinterpret_cast<LPARAM>(&parts));
        if (parts.text.empty()) continue;  // not filled in yet: the next sweep reads it
        {
            std::lock_guard lock(mutex_);
            texts_.push_back(parts.text);
        }
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(parts.button ? parts.button : IDOK, BN_CLICKED), 0);
        pressed_.push_back(box);
    }
}

Options ParseOptions(int argc, char** argv, std::uint64_t defaultSeed, long quickInputs, long longInputs) {
    Options o;
    const char* env = std::getenv("QUORVI_FUZZ_LONG");
    o.longMode = env && std::strcmp(env, "1") == 0;
    o.seed = defaultSeed;
    // By hand through scripts/test, which passes no arguments.
    if (const char* seed = std::getenv("QUORVI_FUZZ_SEED")) o.seed = std::strtoull(seed, nullptr, 0);
    if (const char* inputs = std::getenv("QUORVI_FUZZ_INPUTS")) o.inputs = std::strtol(inputs, nullptr, 0);
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--long") o.longMode = true;
        else if (a == "--seed" && i + 1 < argc) o.seed = std::strtoull(argv[++i], nullptr, 0);
        else if (a == "--inputs" && i + 1 < argc) o.inputs = std::strtol(argv[++i], nullptr, 0);
        else if (a == "--from" && i + 1 < argc) o.first = std::strtol(argv[++i], nullptr, 0);
    }
    if (o.inputs <= 0) o.inputs = o.longMode ? longInputs : quickInputs;
    return o;
}

std::size_t ProcessMemory(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    return process && GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.PagefileUsage : 0;
}

Campaign::Campaign(const char* target, const Options& options) : target_(target), options_(options) {
    running = this;
    SetUnhandledExceptionFilter(OnCrash);
    started_ = GetTickCount();
}

Campaign::~Campaign() { running = nullptr; }

void Campaign::Watch() {
    if (current_ < 0 || GetTickCount() - inputStart_ <= hangLimitMs_) return;
    std::printf("FAULT: %s: input %ld hangs (over %lu ms); replay with --seed %llu --from %ld --inputs 1\n",
                target_.c_str(), current_, hangLimitMs_, static_cast<unsigned long long>(options_.seed), current_);
    std::fflush(stdout);
    ExitProcess(3);
}

void Campaign::Run(const std::function<void(Rng&, long)>& input) {
    const long last = options_.first + options_.inputs;
    for (long i = options_.first; i < last; ++i) {
        Rng rng(options_.seed * 0x100000001B3ull + static_cast<std::uint64_t>(i));
        inputStart_ = GetTickCount();
        {
            std::lock_guard lock(mutex_);
            notes_.clear();
        }
        current_ = i;
        input(rng, i);
        current_ = -1;
        if (i == options_.first + options_.inputs / 10) baseline_ = ProcessMemory();
    }
    std::size_t now = ProcessMemory();
    if (baseline_ && now > baseline_ + memoryLimit_)
        Fault("memory grew from " + std::to_string(baseline_ >> 10) + " KiB to " + std::to_string(now >> 10) + " KiB");
}

void Campaign::Fault(const std::string& what) {
    std::lock_guard lock(mutex_);
    ++faults_;
    if (faults_ <= 20)
        std::printf("FAULT: %s: input %ld: %s [%s]; replay with --seed %llu --from %ld --inputs 1\n",
                    target_.c_str(), current_, what.c_str(), notes_.c_str(),
                    static_cast<unsigned long long>(options_.seed), current_);
}

void Campaign::CheckBoxes(const OwnTexts& own, const std::vector<std::string>& shown, const std::string& whose) {
    for (const std::string& text : shown) {
        Tally("box \"" + text.substr(0, 24) + "\"");
        if (!own.Matches(text)) Fault("a box not in " + whose + " words: \"" + text + "\"");
    }
}

int Campaign::Finish() {
    DWORD ms = GetTickCount() - started_;
    std::printf("%s: %ld inputs (%s, seed %llu), %ld faults, %lu.%01lu s\n", target_.c_str(), options_.inputs,
                options_.longMode ? "long" : "quick", static_cast<unsigned long long>(options_.seed), faults_,
                ms / 1000, (ms % 1000) / 100);
    std::string reached;
    for (const auto& [outcome, count] : tally_) reached += " " + outcome + "=" + std::to_string(count);
    if (!reached.empty()) std::printf("reached:%s\n", reached.c_str());
    std::printf("%d passed, %d failed\n", faults_ ? 0 : 1, faults_ ? 1 : 0);
    std::fflush(stdout);
    return faults_ ? 1 : 0;
}

void DeleteKeyTree(HKEY root, const char* path) { SHDeleteKeyA(root, path); }

bool SetRegData(HKEY root, const char* path, const char* name, const RegData& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(key, name, 0, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

void DeleteRegData(HKEY root, const char* path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

std::optional<RegData> GetRegData(HKEY root, const char* path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    RegData value;
    DWORD size = 0;
    LONG rc = RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
        value.data.resize(size);
        rc = RegQueryValueExA(key, name, nullptr, &value.type, value.data.data(), &size);
        value.data.resize(size);
    }
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    return value;
}

RegData RandomRegData(Rng& rng, std::size_t maxSize) {
    static const DWORD types[] = {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_BINARY, REG_NONE, REG_QWORD};
    RegData v;
    v.type = types[rng.below(std::size(types))];
    switch (rng.below(3)) {
    case 0: {
        std::uint32_t w = rng.edgyWord();
        v.data.assign(reinterpret_cast<std::uint8_t*>(&w), reinterpret_cast<std::uint8_t*>(&w) + 4);
        break;
    }
    case 1: {
        std::string t = rng.text(maxSize);
        v.data.assign(t.begin(), t.end());
        if (rng.chance(2)) v.data.push_back(0);
        break;
    }
    default: v.data = rng.bytes(rng.below(static_cast<std::uint32_t>(maxSize + 1)));
    }
    return v;
}

RegData StringData(const std::string& text, DWORD type) {
    RegData v{type, Bytes(text.begin(), text.end())};
    v.data.push_back(0);
    return v;
}

RegData DwordData(DWORD value) {
    auto p = reinterpret_cast<const std::uint8_t*>(&value);
    return RegData{REG_DWORD, Bytes(p, p + 4)};
}

std::string SystemPath(const std::string& name) {
    char dir[MAX_PATH] = {};
    GetSystemDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\" + name;
}

bool WriteBytes(const std::string& path, const Bytes& bytes) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(f);
    return ok && written == bytes.size();
}

std::optional<Bytes> ReadBytes(const std::string& path) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return std::nullopt;
    Bytes bytes(GetFileSize(f, nullptr));
    DWORD got = 0;
    BOOL ok = bytes.empty() || ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(f);
    if (!ok || got != bytes.size()) return std::nullopt;
    return bytes;
}

void DeleteSystemFiles(const char* pattern) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(SystemPath(pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        DeleteFileA(SystemPath(found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace fuzz
