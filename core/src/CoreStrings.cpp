#include "CoreStrings.h"

#include <cstring>

namespace quorvi {

HINSTANCE CoreModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&CoreModule), &module);
    return module;
}

std::string CoreString(UINT id) {
    char text[512];
    int length = LoadStringA(CoreModule(), id, text, sizeof text);
    return std::string(text, length > 0 ? length : 0);
}

void CopyBounded(char* out, std::size_t size, const char* text) {
    if (size == 0) return;
    std::size_t length = strnlen(text, size - 1);
    std::memcpy(out, text, length);
    out[length] = '\0';
}

}  // namespace quorvi
