#include "CoreStrings.h"

#include <cstring>

namespace quorvi {

namespace {
const BroadcastMessages registered;
}

const win::Module& Core() {
    static const win::Module module(win::ThisModule(), "QUORVI");
    return module;
}

const BroadcastMessages& Broadcasts() { return registered; }

void CopyBounded(char* out, std::size_t size, const char* text) {
    if (size == 0) return;
    std::size_t length = strnlen(text, size - 1);
    std::memcpy(out, text, length);
    out[length] = '\0';
}

}  // namespace quorvi
