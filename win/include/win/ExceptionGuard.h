#pragma once
#include <exception>
#include <utility>

namespace win {

// Traces what ended an entry point; there is no log file, only the debugger.
void TraceException(const char* what) noexcept;

// Runs body and returns its result, or fallback when a C++ exception ends it.
// Entry points called by Windows or by other programs (CPlApplet, window
// procedures, exported functions) must not let an exception cross into code
// that cannot unwind it.
template <class R, class F>
R RunGuarded(R fallback, F&& body) noexcept {
    try {
        return std::forward<F>(body)();
    } catch (const std::exception& e) {
        TraceException(e.what());
    } catch (...) {
        TraceException(nullptr);
    }
    return fallback;
}

}  // namespace win
