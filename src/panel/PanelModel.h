#pragma once
// What the front panel shows for a live state, without any widget: which large digits
// need redrawing, and which indicator elements are shown, hidden or left alone.
#include "meter/LiveFrame.h"

#include <array>
#include <optional>
#include <span>

namespace qx {

inline constexpr std::uint8_t kDigitNotDrawn = 255;

// One indicator picture or label of the panel and the LCD flag that drives it.
struct PanelIndicator {
    const char *name;
    Indicator flag;
};

// Every element driven by an indicator flag, in the order the panel builds them.
std::span<const PanelIndicator> panelIndicators();

class PanelModel {
public:
    PanelModel() { resetDigitCache(); }

    // Nothing counts as drawn: the next update redraws every digit.
    void resetDigitCache() { m_digitCache.fill(kDigitNotDrawn); }

    // Positions whose glyph differs from what was drawn; the cache takes the new glyphs.
    std::array<bool, 16> takeDigitChanges(const LiveState &state);

    // Shown (true), hidden (false) or left as it is (nullopt), with the record-full,
    // flash-mode and battery exceptions.
    static std::optional<bool> visibility(Indicator flag, const LiveState &state);

    std::uint8_t cachedDigit(int position) const { return m_digitCache[std::size_t(position)]; }

private:
    std::array<std::uint8_t, 16> m_digitCache{};
};

// The two flash phases of the panel's timers; both start off, so the first tick shows.
struct FlashPhase {
    bool on = false;
    bool toggle() { return on = !on; }
};

} // namespace qx
