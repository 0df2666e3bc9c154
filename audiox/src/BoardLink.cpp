#include "BoardLink.h"

#include <cstddef>

#include "quorvi/DriverRequests.h"

namespace quorvix {

namespace {

#pragma pack(push, 1)
struct SetParamRequest {
    std::uint32_t board;
    quorvi::ParameterBlock block;
};
#pragma pack(pop)
static_assert(sizeof(SetParamRequest) == quorvi::kSetParamSize);
static_assert(offsetof(SetParamRequest, block) == 4);
static_assert(sizeof(quorvi::ParameterBlock) == quorvi::kParameterBlockSize);

bool IsWindowsNT() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

HRESULT LastError() {
    DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

}  // namespace

win::Device BoardLink::OpenDevice() {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    if (IsWindowsNT()) return win::Device(quorvi::kDeviceNameNT, 0, share, OPEN_EXISTING, 0);
    return win::Device(quorvi::kDeviceName9x, 0, share, 0, 0);
}

HRESULT BoardLink::Request(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize) const {
    DWORD returned = 0;
    if (!device_.control(code, in, inSize, out, outSize, &returned)) return LastError();
    // A reply shorter than the block would leave part of it unset.
    return returned == outSize ? S_OK : HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
}

HRESULT BoardLink::ReadParams(int board, quorvi::ParameterBlock& block) const {
    std::uint32_t index = board;
    return Request(quorvi::QUORVI_HC_GET_PARAMS, &index, sizeof index, &block, sizeof block);
}

HRESULT BoardLink::WriteParams(int board, const quorvi::ParameterBlock& block) const {
    SetParamRequest request{static_cast<std::uint32_t>(board), block};
    return Request(quorvi::QUORVI_SET_PARAM, &request, sizeof request, nullptr, 0);
}

HRESULT BoardLink::ReadStatus(int board, std::uint32_t (&status)[kStatusWords]) const {
    std::uint32_t index = board;
    return Request(quorvi::QUORVI_GET_STATUS, &index, sizeof index, status, sizeof status);
}

}  // namespace quorvix
