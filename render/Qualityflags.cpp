#include "render/Qualityflags.h"

#include <algorithm>

namespace {

constexpr int kQualityBits = 16;
constexpr int kClutterBit = 2;
/// Bits 3..5 carry the clutter level, not a flag.
constexpr std::uint16_t kClutterLevelBits = 0x0038;

} // namespace

QualityFlagRules::QualityFlagRules(std::span<const int> flagModes) {
    const int bits = std::min<int>(static_cast<int>(flagModes.size()), kQualityBits);
    for (int b = 0; b < bits; ++b) {
        const int mode = flagModes[static_cast<std::size_t>(b)] % 10;
        if (mode == 1 || mode == 2) {
            acting_ |= static_cast<std::uint16_t>(1u << b);
        }
        if (mode == 1) {
            greyBits_ |= static_cast<std::uint16_t>(1u << b);
        }
    }
    acting_ &= static_cast<std::uint16_t>(~kClutterLevelBits);
    greyBits_ &= acting_;
    if (bits > kClutterBit) {
        clutterSelector_ = flagModes[kClutterBit] / 10;
    }
}

FlagMark QualityFlagRules::MarkActing(std::uint16_t word) const {
    unsigned set = word & acting_;
    if ((set & (1u << kClutterBit)) != 0 && clutterSelector_ >= 1 &&
        ((word >> 3) & 7u) != static_cast<unsigned>(clutterSelector_ - 1)) {
        set &= ~(1u << kClutterBit); // a gate of another clutter level
    }
    if ((set & greyBits_) != 0) {
        return FlagMark::NoDataGrey;
    }
    return set != 0 ? FlagMark::Greyed : FlagMark::None;
}
