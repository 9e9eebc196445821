#pragma once

#include <cstdint>
#include <span>

// How the display marks gates by their quality words: one set of rules for the plan-position
// painter and the vertical section.

/// What the flag modes make of one quality word, as an offset into the painter's 512-entry
/// palette: nothing, the greyed colour of the level (second table), or the opaque no-data grey.
enum class FlagMark : std::uint16_t { None = 0, Greyed = 256, NoDataGrey = 511 };

class QualityFlagRules {
public:
    /// One flag mode per quality bit from bit 0 (at most 16 are taken): display mode + 10 x level
    /// selector; display mode 1 = no-data grey, 2 = greyed colour, others off. Bits 3..5 carry the
    /// clutter level and never act; the level selector k >= 1 limits bit 2 (clutter) to gates whose
    /// clutter level is k - 1.
    explicit QualityFlagRules(std::span<const int> flagModes);

    /// Bits are looked at from bit 0 upwards: the first set bit whose mode is 1 gives the no-data
    /// grey; otherwise any set bit of mode 2 gives the greyed colour.
    FlagMark Mark(std::uint16_t word) const {
        return (word & acting_) == 0 ? FlagMark::None : MarkActing(word);
    }

private:
    FlagMark MarkActing(std::uint16_t word) const;

    std::uint16_t acting_ = 0;   // bits whose mode is 1 or 2
    std::uint16_t greyBits_ = 0; // bits whose mode is 1
    int clutterSelector_ = 0;
};
