#include "PanelModel.h"

namespace qx {

namespace {

constexpr PanelIndicator kIndicators[] = {
    {"lblT1", Indicator::T1Label},       {"lblT2", Indicator::T2Label},
    {"lblT3", Indicator::T3Label},       {"lblT4", Indicator::T4Label},
    {"T1_minus", Indicator::T1Minus},    {"T2_minus", Indicator::T2Minus},
    {"T3_minus", Indicator::T3Minus},    {"T4_minus", Indicator::T4Minus},
    {"T1_P", Indicator::T1Point},        {"T2_P", Indicator::T2Point},
    {"T3_P", Indicator::T3Point},        {"T4_P", Indicator::T4Point},
    {"imgT1C", Indicator::T1Celsius},    {"imgT1F", Indicator::T1Fahrenheit},
    {"imgT2C", Indicator::T2Celsius},    {"imgT2F", Indicator::T2Fahrenheit},
    {"imgT3C", Indicator::T3Celsius},    {"imgT3F", Indicator::T3Fahrenheit},
    {"imgT4C", Indicator::T4Celsius},    {"imgT4F", Indicator::T4Fahrenheit},
    {"lblT1_T2", Indicator::T1T2Label},  {"imgType", Indicator::TypeCaption},
    {"imgK", Indicator::TypeK},          {"imgJ", Indicator::TypeJ},
    {"imgE", Indicator::TypeE},          {"imgT", Indicator::TypeT},
    {"lblMAX", Indicator::Max},          {"lblMIN", Indicator::Min},
    {"lblAVG", Indicator::Avg},          {"imgHOLD", Indicator::Hold},
    {"imgMEM", Indicator::Mem},          {"imgRecall", Indicator::Recall},
    {"imgREC", Indicator::Rec},          {"imgFULL", Indicator::Full},
    {"imgAutoOff", Indicator::AutoOff},  {"imgBat3", Indicator::Battery3},
    {"imgBat2", Indicator::Battery2},    {"imgBat1", Indicator::Battery1},
    {"imgBat0", Indicator::Battery0},    {"imgAlarm", Indicator::Alarm},
    {"lblHi", Indicator::AlarmHi},       {"lblLO", Indicator::AlarmLo},
};

constexpr Indicator kBatteryOrder[] = {Indicator::Battery3, Indicator::Battery2, Indicator::Battery1,
                                       Indicator::Battery0};

} // namespace

std::span<const PanelIndicator> panelIndicators() { return kIndicators; }

std::array<bool, 16> PanelModel::takeDigitChanges(const LiveState &state)
{
    std::array<bool, 16> changed{};
    for (std::size_t i = 0; i < 16; ++i) {
        if (state.largeDigit[i] != m_digitCache[i]) {
            changed[i] = true;
            m_digitCache[i] = state.largeDigit[i];
        }
    }
    return changed;
}

std::optional<bool> PanelModel::visibility(Indicator flag, const LiveState &state)
{
    switch (flag) {
    case Indicator::Rec:
    case Indicator::Full:
        // While the memory is full the flash timer owns them.
        if (state.recordFull)
            return std::nullopt;
        break;
    case Indicator::Max:
    case Indicator::Min:
    case Indicator::Avg:
        if (state.maxMinAvgFlashMode)
            return std::nullopt;
        break;
    case Indicator::Battery3:
    case Indicator::Battery2:
    case Indicator::Battery1:
    case Indicator::Battery0:
        // Exactly one battery picture: the first lit level from full to empty.
        for (Indicator level : kBatteryOrder)
            if (state.on(level))
                return level == flag;
        return std::nullopt;
    default:
        break;
    }
    return state.on(flag);
}

} // namespace qx
