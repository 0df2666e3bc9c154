#include "vboard/Control.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace vboard {

using namespace quorvi;

const char* const kControlHelp =
    "Control commands (quorvisim --ctl COMMAND, or as start-up options --COMMAND):\n"
    "  boards N                      number of Quorvi boards, 0-4\n"
    "  kind B VALUE                  board B's kind (board information word 0)\n"
    "  capability B VALUE            board B's capability (word 5; 0 = an older board)\n"
    "  ticks B T                     board B's tick constant (default 26688)\n"
    "  crystal B ERROR               board B's crystal error, relative (0.0001 = 100 ppm)\n"
    "  rate B a|b|word HZ            rate arriving at an external input (0 = no signal)\n"
    "  loop B a|b on|off             optical output looped back to its input\n"
    "  signal B CH|all silence|steady LEVEL|decay LEVEL MS|clip\n"
    "                                meter test signal (CH 0-33, LEVEL up to 8388608)\n"
    "  status B WORD0 WORD1 [once]   status words reported for board B\n"
    "  timecode POSITION|zero running|stopped\n"
    "                                zero: 120 s at the time code's rate, shown as 0\n"
    "  timecode-on on|off            time code bits of the system setup block\n"
    "  punch arm POSITION | punch disarm | punch hit\n"
    "  missing-board-error CODE      error for a board index past the last board\n"
    "  lintra N | lintra off         Lintra driver with N boards, or no Lintra driver\n"
    "  lintra-i2c L B0 B1 B2 B3 B4   the five I2C status bytes of the Lintra board at\n"
    "                                position L (0-3) of the enumeration\n"
    "  lintra-gains L G0 G1          its two microphone gain bytes\n"
    "  fail REQUEST|open ERROR [board B] [once|times N]\n"
    "                                make a request fail with a Win32 error code\n"
    "  misreply REQUEST short N|long|noise SEED [board B] [once|times N]\n"
    "                                answer successful requests with N bytes only,\n"
    "                                with more than the caller's buffer, or with\n"
    "                                arbitrary bytes of the size asked for\n"
    "  clear-failures                also ends the misreplies\n"
    "  log [SINCE]                   requests received after sequence SINCE, as many as\n"
    "                                one reply holds: seq handle request board result input-hex\n"
    "  opens [SINCE]                 devices opened after sequence SINCE, likewise:\n"
    "                                seq handle result access share disposition flags name\n"
    "  clear-log                     forget the requests and opens received\n"
    "  step MS                       advance the manual clock (in-process boards only)\n"
    "  state                         boards, handles, time code, and per streaming handle\n"
    "                                its blocks, wake-ups queued and wake-ups merged\n"
    "  reset                         power-on state (configuration kept), empty logs, no failures\n"
    "  stop                          end quorvisim\n";

namespace {

struct Name {
    std::uint32_t code;
    const char* name;
};

#define REQUEST(n) {n, #n}
const Name kNames[] = {
    REQUEST(QUORVI_GET_BOARD_INFO),   REQUEST(QUORVI_GET_STATUS),       REQUEST(QUORVI_SET_PARAM),
    REQUEST(QUORVI_HC_GET_PARAMS),    REQUEST(QUORVI_GET_STATUS_FLAGS), REQUEST(QUORVI_HC_REPROG_FPGA),
    REQUEST(QUORVI_SET_STATUS_MASKS), REQUEST(QUORVI_SET_OUT_CHANNEL),  REQUEST(QUORVI_SET_IN_CHANNEL),
    REQUEST(QUORVI_ACQUIRE_CHANNELS), REQUEST(QUORVI_RELEASE_CHANNELS), REQUEST(QUORVI_IOSTART),
    REQUEST(QUORVI_IORESET),          REQUEST(QUORVI_SET_PUNCH),        REQUEST(QUORVI_GET_PUNCH),
    REQUEST(QUORVI_SET_SYS_SETUP),    REQUEST(QUORVI_GET_SYS_SETUP),    REQUEST(QUORVI_ALLOC_BUFFERS),
    REQUEST(QUORVI_FREE_BUFFERS),     REQUEST(QUORVI_SET_CALLBACK),     REQUEST(QUORVI_CLEAR_CALLBACK),
    REQUEST(QUORVI_SYS_UPDATE),       REQUEST(QUORVI_HC_SEND_FPGABYTE), REQUEST(QUORVI_HC_GET_FPGABYTE),
    REQUEST(STOP_SERIAL),             REQUEST(ICEAPI_ENUM_DEVICES),     REQUEST(ICEAPI_GETDEVICEINFO),
    REQUEST(ICEAPI_SET_RATE),         REQUEST(ICEAPI_CUSTOM),
};
#undef REQUEST

bool ParseNumber(const std::string& text, std::uint32_t& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    unsigned long long v = std::strtoull(text.c_str(), &end, 0);
    if (*end != '\0' || v > 0xFFFFFFFFull || text[0] == '-') return false;
    value = static_cast<std::uint32_t>(v);
    return true;
}

bool ParseDouble(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return *end == '\0';
}

bool ParseSwitch(const std::string& text, bool& value) {
    if (text == "on") value = true;
    else if (text == "off") value = false;
    else return false;
    return true;
}

// What one control reply may carry, below the client's reply buffer.
constexpr std::size_t kMaxReplyText = 60000;
constexpr std::size_t kClientReplyBuffer = 65536;
static_assert(kMaxReplyText + 1 < kClientReplyBuffer);

ControlResult Bad(const std::string& why) { return ControlResult{false, why, false}; }

// Command arguments with typed, checked access.
class Args {
public:
    explicit Args(const std::string& line) {
        std::istringstream in(line);
        for (std::string w; in >> w;) words_.push_back(w);
    }
    std::size_t size() const { return words_.size(); }
    const std::string& operator[](std::size_t i) const {
        static const std::string none;
        return i < words_.size() ? words_[i] : none;
    }
    bool number(std::size_t i, std::uint32_t& v) const { return ParseNumber((*this)[i], v); }
    bool board(std::size_t i, std::uint32_t& b) const { return number(i, b) && b < kMaxBoards; }

private:
    std::vector<std::string> words_;
};

bool ParseSignal(const Args& a, std::size_t i, Signal& s) {
    const std::string& kind = a[i];
    if (kind == "silence") {
        s = Signal{};
        return a.size() == i + 1;
    }
    if (kind == "clip") {
        s = Signal{SignalKind::Clip, 0x800000, 1000};
        return a.size() == i + 1;
    }
    if (kind == "steady") {
        s = Signal{SignalKind::Steady, 0, 1000};
        return a.size() == i + 2 && a.number(i + 1, s.level) && s.level <= 0x800000;
    }
    if (kind == "decay") {
        s = Signal{SignalKind::Decaying, 0, 0};
        return a.size() == i + 3 && a.number(i + 1, s.level) && s.level <= 0x800000 && a.number(i + 2, s.periodMs) &&
               s.periodMs >= 8;
    }
    return false;
}

ControlResult Configure(Driver& driver, const Args& a) {
    const std::string& cmd = a[0];
    std::uint32_t b = 0, v = 0;
    if (cmd == "boards") {
        if (a.size() != 2 || !a.number(1, v) || v > kMaxBoards) return Bad("usage: boards 0-4");
        driver.configure([&](DriverConfig& c) { c.boards = v; });
    } else if (cmd == "kind" || cmd == "capability" || cmd == "ticks") {
        if (a.size() != 3 || !a.board(1, b) || !a.number(2, v) || (cmd == "ticks" && v == 0))
            return Bad("usage: " + cmd + " BOARD VALUE");
        driver.configure([&](DriverConfig& c) {
            std::uint32_t& field = cmd == "kind" ? c.board[b].kind
                                   : cmd == "capability" ? c.board[b].capability
                                                         : c.board[b].tickConstant;
            field = v;
        });
    } else if (cmd == "crystal") {
        double e = 0;
        if (a.size() != 3 || !a.board(1, b) || !ParseDouble(a[2], e) || e <= -0.5 || e >= 0.5)
            return Bad("usage: crystal BOARD ERROR (between -0.5 and 0.5)");
        driver.configure([&](DriverConfig& c) { c.board[b].crystalError = e; });
    } else if (cmd == "rate") {
        double hz = 0;
        int input = a[2] == "a" ? InputA : a[2] == "b" ? InputB : a[2] == "word" ? WordClock : -1;
        if (a.size() != 4 || !a.board(1, b) || input < 0 || !ParseDouble(a[3], hz) || hz < 0 || hz > 200000)
            return Bad("usage: rate BOARD a|b|word HZ");
        driver.configure([&](DriverConfig& c) { c.board[b].externalRate[input] = hz; });
    } else if (cmd == "loop") {
        bool on = false;
        if (a.size() != 4 || !a.board(1, b) || (a[2] != "a" && a[2] != "b") || !ParseSwitch(a[3], on))
            return Bad("usage: loop BOARD a|b on|off");
        driver.configure([&](DriverConfig& c) { (a[2] == "a" ? c.board[b].loopA : c.board[b].loopB) = on; });
    } else if (cmd == "signal") {
        Signal s;
        bool all = a[2] == "all";
        if (!a.board(1, b) || (!all && (!a.number(2, v) || v >= kMeters)) || !ParseSignal(a, 3, s))
            return Bad("usage: signal BOARD CHANNEL|all silence|steady LEVEL|decay LEVEL MS|clip");
        driver.configure([&](DriverConfig& c) {
            for (int m = 0; m < kMeters; ++m)
                if (all || m == static_cast<int>(v)) c.board[b].signals[m] = s;
        });
    } else if (cmd == "missing-board-error") {
        if (a.size() != 2 || !a.number(1, v) || v == 0) return Bad("usage: missing-board-error CODE");
        driver.configure([&](DriverConfig& c) { c.missingBoardError = v; });
    } else if (cmd == "lintra") {
        bool off = a[1] == "off";
        if (a.size() != 2 || (!off && (!a.number(1, v) || v > kMaxLintra))) return Bad("usage: lintra 0-4|off");
        driver.configure([&](DriverConfig& c) {
            c.lintraDriver = !off;
            c.lintraBoards = off ? 0 : v;
        });
    } else if (cmd == "lintra-i2c" || cmd == "lintra-gains") {
        std::size_t count = cmd == "lintra-i2c" ? 5 : 2;
        std::uint8_t bytes[5] = {};
        bool ok = a.size() == count + 2 && a.number(1, b) && b < kMaxLintra;
        for (std::size_t i = 0; ok && i < count; ++i) {
            ok = a.number(2 + i, v) && v <= 0xFF;
            bytes[i] = static_cast<std::uint8_t>(v);
        }
        if (!ok) return Bad(cmd == "lintra-i2c" ? "usage: lintra-i2c L B0 B1 B2 B3 B4" : "usage: lintra-gains L G0 G1");
        driver.configure([&](DriverConfig& c) {
            std::memcpy(count == 5 ? c.lintra[b].i2cSpace : c.lintra[b].micGains, bytes, count);
        });
    } else {
        return Bad("unknown command '" + cmd + "'; see quorvisim --help");
    }
    return ControlResult{};
}

// The words from `i` on: [board B] [once|times N]. False on anything else.
bool ParseScope(const Args& a, std::size_t i, std::int32_t& onBoard, int& times) {
    for (; i < a.size(); ++i) {
        std::uint32_t n = 0, board = 0;
        if (a[i] == "board" && a.board(i + 1, board)) {
            onBoard = static_cast<std::int32_t>(board);
            ++i;
        } else if (a[i] == "once") {
            times = 1;
        } else if (a[i] == "times" && a.number(i + 1, n) && n > 0 && n < 1000000) {
            times = static_cast<int>(n);
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

ControlResult Fail(Driver& driver, const Args& a) {
    std::uint32_t code = kOpenRequest, error = 0;
    std::int32_t onBoard = -1;
    int times = -1;
    if (a.size() < 3 || (a[1] != "open" && !ParseRequest(a[1], code)) || !a.number(2, error) || error == 0 ||
        !ParseScope(a, 3, onBoard, times))
        return Bad("usage: fail REQUEST|open ERROR [board B] [once|times N]");
    driver.injectFailure(code, onBoard, error, times);
    return ControlResult{};
}

ControlResult SetMisreply(Driver& driver, const Args& a) {
    const char* usage = "usage: misreply REQUEST short N|long|noise SEED [board B] [once|times N]";
    std::uint32_t code = 0, count = 0;
    std::int32_t onBoard = -1;
    int times = -1;
    vboard::Misreply how = vboard::Misreply::Long;
    std::size_t next = 3;
    if (!ParseRequest(a[1], code)) return Bad(usage);
    if (a[2] == "short" || a[2] == "noise") {
        if (!a.number(3, count)) return Bad(usage);
        how = a[2] == "short" ? vboard::Misreply::Short : vboard::Misreply::Noise;
        next = 4;
    } else if (a[2] != "long") {
        return Bad(usage);
    }
    if (!ParseScope(a, next, onBoard, times)) return Bad(usage);
    driver.injectMisreply(code, onBoard, how, count, times);
    return ControlResult{};
}

ControlResult State(Driver& driver) {
    DriverConfig c = driver.config();
    char text[256];
    std::snprintf(text, sizeof text, "boards %u\nlintra %s %u\nhandles %u\ntimecode %u\n", c.boards,
                  c.lintraDriver ? "on" : "off", c.lintraBoards, driver.openHandles(), driver.timecode());
    return ControlResult{true, text + driver.streamReport(), false};
}

// The entries after sequence `since`, one line each, as many as one reply
// holds; the client asks again from the last one it got.
template <class Entry>
std::string LinesSince(const std::vector<Entry>& entries, std::uint32_t since, std::string (*format)(const Entry&)) {
    std::string text;
    for (const Entry& e : entries) {
        if (e.sequence <= since) continue;
        std::string line = format(e) + "\n";
        if (!text.empty() && text.size() + line.size() > kMaxReplyText) break;
        text += line;
    }
    return text;
}

template <class Entry>
std::vector<Entry> FetchAll(const ControlClient& client, const char* command,
                            bool (*parse)(const std::string&, Entry&)) {
    std::vector<Entry> entries;
    for (;;) {
        std::string text;
        std::size_t before = entries.size();
        std::uint32_t since = before ? entries.back().sequence : 0;
        if (!client.command(command + (" " + std::to_string(since)), text)) break;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            Entry e{};
            if (parse(line, e)) entries.push_back(e);
        }
        if (entries.size() == before) break;
    }
    return entries;
}

}  // namespace

std::string RequestName(std::uint32_t code) {
    for (const Name& n : kNames)
        if (n.code == code) return n.name;
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", code);
    return hex;
}

bool ParseRequest(const std::string& text, std::uint32_t& code) {
    for (const Name& n : kNames)
        if (text == n.name) {
            code = n.code;
            return true;
        }
    return ParseNumber(text, code) && code != kOpenRequest;
}

std::string FormatLogEntry(const LogEntry& e) {
    char head[128];
    std::snprintf(head, sizeof head, "%u %u %s %d 0x%X ", e.sequence, e.handle,
                  e.code == kOpenRequest ? "open" : RequestName(e.code).c_str(), e.board, e.error);
    std::string line = head;
    static const char digits[] = "0123456789abcdef";
    for (std::uint8_t byte : e.input) {
        line += digits[byte >> 4];
        line += digits[byte & 15];
    }
    if (e.input.empty()) line += '-';
    return line;
}

bool ParseLogEntry(const std::string& line, LogEntry& e) {
    Args a(line);
    std::uint32_t board = 0;
    if (a.size() != 6 || !a.number(0, e.sequence) || !a.number(1, e.handle) || !ParseRequest(a[2], e.code) ||
        !a.number(4, e.error))
        return false;
    e.board = a[3] == "-1" ? -1 : (a.number(3, board) ? static_cast<std::int32_t>(board) : -2);
    if (e.board == -2) return false;
    e.input.clear();
    const std::string& hex = a[5];
    if (hex == "-") return true;
    if (hex.size() % 2) return false;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        std::uint32_t byte = 0;
        if (!ParseNumber("0x" + hex.substr(i, 2), byte)) return false;
        e.input.push_back(static_cast<std::uint8_t>(byte));
    }
    e.timeMicros = 0;
    return true;
}

std::string FormatOpenEntry(const OpenEntry& e) {
    char head[128];
    std::snprintf(head, sizeof head, "%u %u 0x%X 0x%X 0x%X %u 0x%X ", e.sequence, e.handle, e.error, e.args.access,
                  e.args.share, e.args.disposition, e.args.flags);
    std::string line = head;
    // The name comes from any client: keep the reply one line per open.
    for (char c : e.name) line += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    return line;
}

bool ParseOpenEntry(const std::string& line, OpenEntry& e) {
    std::istringstream in(line);
    std::string w[7];
    for (std::string& word : w)
        if (!(in >> word)) return false;
    if (!ParseNumber(w[0], e.sequence) || !ParseNumber(w[1], e.handle) || !ParseNumber(w[2], e.error) ||
        !ParseNumber(w[3], e.args.access) || !ParseNumber(w[4], e.args.share) ||
        !ParseNumber(w[5], e.args.disposition) || !ParseNumber(w[6], e.args.flags))
        return false;
    in >> std::ws;
    std::getline(in, e.name);
    return true;
}

ControlResult RunControl(Driver& driver, ManualClock* manual, const std::string& line) {
    Args a(line);
    const std::string& cmd = a[0];
    std::uint32_t b = 0, v = 0, w = 0;
    if (cmd.empty()) return Bad("empty command");
    if (cmd == "fail") return Fail(driver, a);
    if (cmd == "misreply") return SetMisreply(driver, a);
    if (cmd == "clear-failures") {
        driver.clearFailures();
    } else if (cmd == "status") {
        bool once = a[4] == "once";
        if (!a.board(1, b) || !a.number(2, v) || !a.number(3, w) || a.size() != (once ? 5u : 4u))
            return Bad("usage: status BOARD WORD0 WORD1 [once]");
        driver.setStatusWords(b, v, w, once);
    } else if (cmd == "timecode") {
        if (a[1] == "zero") v = driver.timecodeZeroPosition();
        if (a.size() != 3 || (a[1] != "zero" && !a.number(1, v)) || (a[2] != "running" && a[2] != "stopped"))
            return Bad("usage: timecode POSITION|zero running|stopped");
        driver.setTimecode(v, a[2] == "running");
    } else if (cmd == "timecode-on") {
        bool on = false;
        if (a.size() != 2 || !ParseSwitch(a[1], on)) return Bad("usage: timecode-on on|off");
        driver.setTimecodeOn(on);
    } else if (cmd == "punch") {
        if (a[1] == "arm" && a.size() == 3 && a.number(2, v)) driver.setPunch(true, v, false);
        else if (a[1] == "disarm" && a.size() == 2) driver.setPunch(false, 0, false);
        else if (a[1] == "hit" && a.size() == 2) driver.setPunch(false, 0, true);
        else return Bad("usage: punch arm POSITION | punch disarm | punch hit");
    } else if (cmd == "log" || cmd == "opens") {
        if (a.size() > 2 || (a.size() == 2 && !a.number(1, v))) return Bad("usage: " + cmd + " [SINCE]");
        std::string text = cmd == "log" ? LinesSince(driver.log(), v, FormatLogEntry)
                                        : LinesSince(driver.opens(), v, FormatOpenEntry);
        return ControlResult{true, text, false};
    } else if (cmd == "clear-log") {
        driver.clearLog();
    } else if (cmd == "step") {
        if (!manual) return Bad("the boards run on real time");
        if (a.size() != 2 || !a.number(1, v)) return Bad("usage: step MS");
        manual->advanceMicros(v * 1000ull);
        driver.pump();
    } else if (cmd == "state") {
        return State(driver);
    } else if (cmd == "reset") {
        driver.reset(driver.config());
    } else if (cmd == "stop") {
        return ControlResult{true, "", true};
    } else {
        return Configure(driver, a);
    }
    return ControlResult{};
}

bool ControlClient::command(const std::string& line, std::string& reply) const {
    char answer[kClientReplyBuffer];
    DWORD got = 0;
    reply.clear();
    if (!CallNamedPipeA(kControlPipeName, const_cast<char*>(line.data()), static_cast<DWORD>(line.size()), answer,
                        sizeof answer, &got, 5000)) {
        reply = "quorvisim is not running";
        return false;
    }
    // The first byte says whether the command was accepted.
    if (got == 0) return false;
    reply.assign(answer + 1, got - 1);
    return answer[0] == '+';
}

std::vector<LogEntry> ControlClient::log() const { return FetchAll<LogEntry>(*this, "log", ParseLogEntry); }

std::vector<OpenEntry> ControlClient::opens() const { return FetchAll<OpenEntry>(*this, "opens", ParseOpenEntry); }

}  // namespace vboard
