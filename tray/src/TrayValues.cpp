#include "TrayValues.h"

#include "quorvi/MachineValues.h"
#include "win/RegKey.h"

namespace tray {

namespace {

win::RegKey MakerKey() { return win::RegKey::Create(HKEY_LOCAL_MACHINE, quorvi::kMakerKey); }

}  // namespace

void ForgetControlPanelPage() { MakerKey().deleteValue(quorvi::kControlPanelPageValue); }

void StoreShutdownMessage(UINT message) { MakerKey().setDword(quorvi::kShutdownMessageValue, message); }

void StoreCalibration(int board, std::uint32_t ticks) {
    MakerKey().setDword(quorvi::TicksValueName(board).c_str(), ticks);
}

void StoreCalibrationSamples(std::uint32_t samples) { MakerKey().setDword(quorvi::kSamplesValue, samples); }

void StoreSampleRate(DWORD rateBits, DWORD clock) {
    win::RegKey key = MakerKey();
    key.setDword(quorvi::kSampleRateValue, rateBits);
    key.setDword(quorvi::kClockSourceValue, clock);
}

std::optional<std::uint32_t> TakeBootResults() {
    win::RegKey key = MakerKey();
    std::optional<DWORD> value = key.queryDword(quorvi::kBootStatusValue);
    if (value) key.deleteValue(quorvi::kBootStatusValue);
    return value;
}

namespace {

struct DelayNames {
    int type;
    bool storeDefaults;
    const char* names[4];  // input sample, input block, output sample, output block
};

constexpr DelayNames kDelayNames[] = {
    {0, true, {"AdatDigitalInputSample", "AdatDigitalInputBlock", "AdatDigitalOutputSample", "AdatDigitalOutputBlock"}},
    {100, true, {"AdatAnalogInputSample", "AdatAnalogInputBlock", "AdatAnalogOutputSample", "AdatAnalogOutputBlock"}},
    {200, true, {"O2RInputSample", "O2RInputBlock", "O2ROutputSample", "O2ROutputBlock"}},
    {1, false, {"CustomInputSample", "CustomInputBlock", "CustomOutputSample", "CustomOutputBlock"}},
};

}  // namespace

DelayCompensation ReadDelayCompensation(int interfaceType) {
    DelayCompensation values;
    for (const DelayNames& entry : kDelayNames) {
        if (entry.type != interfaceType) continue;
        win::RegKey key = entry.storeDefaults ? MakerKey() : win::RegKey::Open(HKEY_LOCAL_MACHINE, quorvi::kMakerKey);
        std::int32_t* fields[4] = {&values.inputSample, &values.inputBlock, &values.outputSample,
                                   &values.outputBlock};
        for (int i = 0; i < 4; ++i) {
            if (std::optional<DWORD> stored = key.queryDword(entry.names[i]))
                *fields[i] = static_cast<std::int32_t>(*stored);
            else if (entry.storeDefaults)
                key.setDword(entry.names[i], static_cast<DWORD>(*fields[i]));
        }
    }
    return values;
}

bool PunchOffered() { return win::RegKey::Open(HKEY_LOCAL_MACHINE, quorvi::kMakerKey).hasValue("Koriad"); }

}  // namespace tray
