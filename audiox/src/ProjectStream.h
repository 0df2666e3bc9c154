#pragma once
// The mixer's part of a host's project: a version word, then per element
// its class identifier and its own data, then an end mark. Reading checks
// every count and value before anything is used, and hands back what it
// read for the caller to commit only when the whole stream was good.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "MixBlock.h"

namespace quorvix {

inline constexpr std::uint32_t kProjectVersion = 0x00010000;
inline constexpr std::uint32_t kProjectMaxSize = 32768;

#pragma pack(push, 1)
// One send of a channel strip as stored.
struct StoredSend {
    std::uint32_t bus;  // position of the bus in the mixer's list of buses
    float level;
    float pan;
    std::int32_t mute;
};
#pragma pack(pop)
static_assert(sizeof(StoredSend) == 16);
static_assert(offsetof(StoredSend, level) == 4);
static_assert(offsetof(StoredSend, pan) == 8);
static_assert(offsetof(StoredSend, mute) == 12);

// Where the bytes come from: S_OK only when all `size` bytes were read.
class ByteSource {
public:
    virtual HRESULT Read(void* data, ULONG size) = 0;

protected:
    ~ByteSource() = default;
};

// What the stream holds for each element, in list order.
struct ElementLayout {
    GUID classId;
    bool hasSends;  // channel strips
};

struct SendAt {
    std::uint32_t bus;
    SendValues values;
};

struct ElementState {
    std::vector<SendAt> sends;
};

struct ProjectRead {
    HRESULT result = S_OK;
    // The elements read before the end mark; the rest keep their state.
    std::vector<ElementState> elements;
};

// `buses` bounds the sends a strip may hold and the bus positions.
ProjectRead ReadProject(ByteSource& in, const std::vector<ElementLayout>& layout, std::uint32_t buses);

// The whole stream for the elements' states (one per layout entry).
std::vector<std::uint8_t> ProjectBytes(const std::vector<ElementLayout>& layout,
                                       const std::vector<ElementState>& states);

}  // namespace quorvix
