// A host that streams one input and one output of board 0 until it is
// killed, for the test of a host that dies mid-stream.
#include <windows.h>

#include "vboard/StreamClient.h"

namespace {

void CALLBACK OnBlock(ULONG_PTR) {}

}  // namespace

int main() {
    vboard::StreamClient host;
    if (!host.lay({{true, 0, 0}, {false, 0, 0}}, 64) || !host.registerHalves() || !host.setCallback(OnBlock) ||
        !host.start())
        return 1;
    for (;;) SleepEx(INFINITE, TRUE);
}
