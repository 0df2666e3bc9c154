// kit_broadcast NAME [WPARAM [LPARAM [send]]]
// Registers NAME and posts it (or sends it, with "send") to every top-level
// window. Exit code 0 on success, 1 for bad arguments, 2 when the message
// could not be registered, 3 when the broadcast failed.
#include <windows.h>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 5) return 1;
    UINT msg = RegisterWindowMessageA(argv[1]);
    if (msg == 0) return 2;
    WPARAM wParam = argc > 2 ? strtoul(argv[2], nullptr, 0) : 0;
    LPARAM lParam = argc > 3 ? static_cast<LPARAM>(strtoul(argv[3], nullptr, 0)) : 0;
    bool send = argc > 4 && strcmp(argv[4], "send") == 0;
    if (argc > 4 && !send) return 1;
    BOOL ok = send ? SendMessageTimeoutA(HWND_BROADCAST, msg, wParam, lParam, SMTO_ABORTIFHUNG, 5000, nullptr) != 0
                   : PostMessageA(HWND_BROADCAST, msg, wParam, lParam);
    return ok ? 0 : 3;
}
