#include "win/RegisteredMessage.h"

namespace win {

namespace {
// Per window: long enough for any live handler, short enough that one frozen
// program cannot freeze its peers.
constexpr UINT kBroadcastTimeoutMs = 5000;
}

bool PostBroadcast(UINT message, WPARAM wParam, LPARAM lParam) {
    return PostMessageA(HWND_BROADCAST, message, wParam, lParam) != FALSE;
}

bool SendBroadcast(UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(HWND_BROADCAST, message, wParam, lParam,
                               SMTO_NORMAL | SMTO_ABORTIFHUNG, kBroadcastTimeoutMs,
                               &result) != 0;
}

}  // namespace win
