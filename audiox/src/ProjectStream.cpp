#include "ProjectStream.h"

#include <cstring>

namespace quorvix {

namespace {

const std::uint8_t kEndMark[16] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                   0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// The data of a strip: every count and value checked against what the mixer
// can hold, so a damaged or hostile stream cannot reach its state.
HRESULT ReadSends(ByteSource& in, std::uint32_t buses, ElementState& state) {
    std::uint32_t count = 0;
    if (HRESULT hr = in.Read(&count, sizeof count); FAILED(hr)) return hr;
    if (count > buses) return STG_E_DOCFILECORRUPT;
    for (std::uint32_t i = 0; i < count; ++i) {
        StoredSend s;
        if (HRESULT hr = in.Read(&s, sizeof s); FAILED(hr)) return hr;
        if (s.bus >= buses || !ValidLevel(s.level) || !ValidPan(s.pan)) return STG_E_DOCFILECORRUPT;
        for (const SendAt& seen : state.sends) {
            if (seen.bus == s.bus) return STG_E_DOCFILECORRUPT;
        }
        state.sends.push_back({s.bus, {s.level, s.pan, s.mute != 0 ? 1 : 0}});
    }
    return S_OK;
}

// What follows the last element: the end mark, or an element this mixer
// does not have.
HRESULT ReadEndMark(ByteSource& in) {
    std::uint8_t mark[16];
    if (HRESULT hr = in.Read(mark, sizeof mark); FAILED(hr)) return hr;
    return std::memcmp(mark, kEndMark, sizeof mark) == 0 ? S_OK : E_FAIL;
}

template <class T>
void Append(std::vector<std::uint8_t>& out, const T& value) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
    out.insert(out.end(), bytes, bytes + sizeof value);
}

}  // namespace

ProjectRead ReadProject(ByteSource& in, const std::vector<ElementLayout>& layout, std::uint32_t buses) {
    ProjectRead read;
    std::uint32_t version = 0;
    if (HRESULT hr = in.Read(&version, sizeof version); FAILED(hr)) {
        read.result = hr;
        return read;
    }
    if (version != kProjectVersion) {
        read.result = STG_E_INVALIDHEADER;
        return read;
    }
    bool ended = false;
    for (const ElementLayout& element : layout) {
        std::uint8_t id[16];
        if (HRESULT hr = in.Read(id, sizeof id); FAILED(hr)) {
            read.result = hr;
            break;
        }
        if (std::memcmp(id, kEndMark, sizeof id) == 0) {
            ended = true;
            break;
        }
        if (std::memcmp(id, &element.classId, sizeof id) != 0) {
            read.result = E_FAIL;
            break;
        }
        ElementState state;
        if (element.hasSends) read.result = ReadSends(in, buses, state);
        if (FAILED(read.result)) break;
        read.elements.push_back(std::move(state));
    }
    // After the last element comes the end mark, read too: the host reads
    // whatever it keeps after our part from where this leaves its stream.
    if (SUCCEEDED(read.result) && !ended) read.result = ReadEndMark(in);
    if (FAILED(read.result)) read.elements.clear();
    return read;
}

std::vector<std::uint8_t> ProjectBytes(const std::vector<ElementLayout>& layout,
                                       const std::vector<ElementState>& states) {
    std::vector<std::uint8_t> out;
    Append(out, kProjectVersion);
    for (std::size_t i = 0; i < layout.size() && i < states.size(); ++i) {
        Append(out, layout[i].classId);
        if (!layout[i].hasSends) continue;
        Append(out, static_cast<std::uint32_t>(states[i].sends.size()));
        for (const SendAt& s : states[i].sends) {
            Append(out, StoredSend{s.bus, s.values.level, s.values.pan, s.values.mute});
        }
    }
    Append(out, kEndMark);
    return out;
}

}  // namespace quorvix
