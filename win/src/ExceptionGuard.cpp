#include "win/ExceptionGuard.h"
#include <windows.h>
#include <string>

namespace win {

void TraceException(const char* what) noexcept {
    try {
        std::string line = "Exception ended an entry point: ";
        line += what ? what : "(not a std::exception)";
        line += '\n';
        OutputDebugStringA(line.c_str());
    } catch (...) {
        OutputDebugStringA("Exception ended an entry point\n");
    }
}

}  // namespace win
