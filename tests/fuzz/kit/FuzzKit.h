#pragma once
// What every fuzz program shares: a seeded generator, byte mutations, the
// campaign that counts inputs and faults and names the input to replay, a
// recorder that answers this thread's message boxes at once, and the texts a
// module may show.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace fuzz {

using Bytes = std::vector<std::uint8_t>;

// splitmix64: small, fast, and the same sequence on every machine.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    std::uint32_t word() { return static_cast<std::uint32_t>(next() >> 32); }
    // 0..n-1; 0 when n is 0.
    std::uint32_t below(std::uint32_t n) { return n ? word() % n : 0; }
    bool chance(std::uint32_t inN) { return below(inN) == 0; }
    // A value that tends to find faults: limits, signs, small counts, powers of two.
    std::uint32_t edgyWord();
    Bytes bytes(std::size_t count);
    // Printable, control and high characters, sometimes path separators.
    std::string text(std::size_t maxLength);

private:
    std::uint64_t state_;
};

// Changes a few bytes, words or the length of `data` (never past maxSize).
void Mutate(Rng& rng, Bytes& data, std::size_t maxSize);

// The matched pieces of a module's string table: a message box text is the
// system's own when some string of the table, with its format fields taken
// as wildcards, matches it whole.
class OwnTexts {
public:
    void AddModule(HMODULE module);
    void AddText(const std::string& text) { patterns_.push_back(text); }
    bool Matches(const std::string& text) const;

private:
    std::vector<std::string> patterns_;
};

// Answers each message box the calling thread shows as soon as it opens, and
// keeps its text. One per thread at a time.
class BoxRecorder {
public:
    BoxRecorder();
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;
    std::vector<std::string> Take();

private:
    HHOOK hook_;
};

// Calls `tick` every `periodMs` on a thread of its own until it goes.
// Declared after what `tick` uses, so that it stops first.
class Ticker {
public:
    Ticker(DWORD periodMs, std::function<void()> tick);
    ~Ticker();
    Ticker(const Ticker&) = delete;
    Ticker& operator=(const Ticker&) = delete;

private:
    static DWORD WINAPI Main(void* self);

    DWORD periodMs_;
    std::function<void()> tick_;
    HANDLE stop_;
    HANDLE thread_;
};

// Answers the message boxes of another process from a thread of its own, as
// soon as they show, and keeps their texts.
class BoxSweeper {
public:
    BoxSweeper() = default;
    BoxSweeper(const BoxSweeper&) = delete;
    BoxSweeper& operator=(const BoxSweeper&) = delete;
    void Watch(DWORD processId) { process_ = processId; }
    std::vector<std::string> Take();

private:
    void Sweep();

    std::mutex mutex_;
    volatile DWORD process_ = 0;
    std::vector<std::string> texts_;
    std::vector<HWND> pressed_;
    Ticker sweeper_{15, [this] { Sweep(); }};
};

// Options of every fuzz program: --long (or QUORVI_FUZZ_LONG=1 in the
// environment) for the long campaign, --seed S, --inputs N, --from I (or
// QUORVI_FUZZ_SEED and QUORVI_FUZZ_INPUTS).
struct Options {
    bool longMode = false;
    std::uint64_t seed = 0;
    long inputs = 0;
    long first = 0;  // --from: the index of the first input
};
Options ParseOptions(int argc, char** argv, std::uint64_t defaultSeed, long quickInputs, long longInputs);

// Runs the inputs, one call of `input` each, with a watchdog for hangs and a
// note of the input under way for a crash; `Fault` records what broke.
class Campaign {
public:
    Campaign(const char* target, const Options& options);
    ~Campaign();
    // Seeds input i with its own generator: any one input replays alone
    // with --seed and --inputs.
    void Run(const std::function<void(Rng&, long)>& input);
    void Fault(const std::string& what);
    // Tallies the boxes shown and faults each whose text is not the
    // program's own.
    void CheckBoxes(const OwnTexts& own, const std::vector<std::string>& shown, const std::string& whose);
    // Counts an outcome, for the summary: shows what the inputs reached.
    void Tally(const std::string& outcome) {
        std::lock_guard lock(mutex_);
        ++tally_[outcome];
    }
    // What the input under way did, named in its faults.
    void Note(const std::string& step) {
        std::lock_guard lock(mutex_);
        notes_ += (notes_.empty() ? "" : ", ") + step;
    }
    // Inputs that hang longer than this end the program with a report.
    void SetHangLimitMs(DWORD ms) { hangLimitMs_ = ms; }
    // Fails when the process grew by more than this after the first tenth.
    void SetMemoryLimitBytes(std::size_t bytes) { memoryLimit_ = bytes; }
    // Prints the summary line; the program's exit code.
    int Finish();
    long current() const { return current_; }

private:
    void Watch();

    std::string target_;
    Options options_;
    volatile long current_ = -1;
    volatile DWORD inputStart_ = 0;
    DWORD hangLimitMs_ = 30000;
    std::size_t memoryLimit_ = 64u << 20;
    std::size_t baseline_ = 0;
    long faults_ = 0;
    std::string notes_;
    std::map<std::string, long> tally_;
    // Faults, notes and tallies may come from a second thread of an input.
    std::mutex mutex_;
    DWORD started_ = 0;
    Ticker watchdog_{500, [this] { Watch(); }};
};

// Private bytes of a process, by default this one; 0 when they cannot be read.
std::size_t ProcessMemory(HANDLE process = GetCurrentProcess());

// The scene an input sets up: registry values of any type and size, and
// files in the system directory.
struct RegData {
    DWORD type = REG_NONE;
    Bytes data;
    bool operator==(const RegData&) const = default;
};
void DeleteKeyTree(HKEY root, const char* path);
bool SetRegData(HKEY root, const char* path, const char* name, const RegData& value);
void DeleteRegData(HKEY root, const char* path, const char* name);
std::optional<RegData> GetRegData(HKEY root, const char* path, const char* name);
// A value of a random type holding a random, edgy or given text.
RegData RandomRegData(Rng& rng, std::size_t maxSize);
RegData StringData(const std::string& text, DWORD type = REG_SZ);
RegData DwordData(DWORD value);

std::string SystemPath(const std::string& name);
bool WriteBytes(const std::string& path, const Bytes& bytes);
std::optional<Bytes> ReadBytes(const std::string& path);
// Deletes the files of the system directory that match the pattern.
void DeleteSystemFiles(const char* pattern);

}  // namespace fuzz
