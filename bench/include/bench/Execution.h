#pragma once
// Every benchmark says first whether its i386 code ran on the processor
// itself or under QEMU's user-mode emulation (how machines whose kernel
// cannot run 32-bit programs run Wine), since the two sets of figures cannot
// be compared.
#include <cpuid.h>

#include <cstdio>
#include <cstring>

namespace bench {

// QEMU's instruction translator (TCG) presents itself as a hypervisor named
// "TCGTCGTCGTCG"; a virtual machine on a real processor names another one.
inline bool UnderEmulation() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & (1u << 31))) return false;
    __cpuid(0x40000000, a, b, c, d);
    char name[13] = {};
    std::memcpy(name, &b, 4);
    std::memcpy(name + 4, &c, 4);
    std::memcpy(name + 8, &d, 4);
    return std::strcmp(name, "TCGTCGTCGTCG") == 0;
}

inline void PrintExecution() {
    if (UnderEmulation())
        std::printf("i386 code ran under emulation (QEMU): do not compare these figures with native ones\n");
    else
        std::printf("i386 code ran natively\n");
}

}  // namespace bench
