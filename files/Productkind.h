#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// The displayed product. The value is the tag of the product menu item and the bit number of
/// the product's array in a scan file's product mask.
enum class ProductKind : int { R = 0, Zh = 1, V = 2, Zdr = 3, Kdp = 4, Phidp = 5, Rhohv = 6, W = 7 };

inline constexpr int kProductCount = 8;
/// Bit of the product mask that marks the quality-word array.
inline constexpr int kQualityMaskBit = 8;

/// Menu captions of the products, indexed by ProductKind ("φdp" and "ρhv" in UTF-8).
inline constexpr std::array<std::string_view, kProductCount> kProductCaptions = {"R",   "Zh",  "V",   "Zdr",
                                                                                 "Kdp", "φdp", "ρhv", "W"};

constexpr int ProductIndex(ProductKind kind) {
    return static_cast<int>(kind);
}

constexpr std::string_view ProductCaption(ProductKind kind) {
    return kProductCaptions[static_cast<std::size_t>(kind)];
}

/// What the command-line tools say of a file without the product's array.
inline std::string NoArrayText(ProductKind kind) {
    return "the file holds no " + std::string(ProductCaption(kind)) + " array";
}

/// The product for a menu tag 0..7; nothing for any other number.
constexpr std::optional<ProductKind> ProductFromTag(int tag) {
    if (tag < 0 || tag >= kProductCount) {
        return std::nullopt;
    }
    return static_cast<ProductKind>(tag);
}

/// Position of an array inside a ray's data block: the number of set mask bits below `bit`;
/// -1 when `bit` itself is clear.
constexpr int ArrayIndexInMask(std::uint16_t productMask, int bit) {
    if (bit < 0 || bit > 15 || (productMask & (1u << bit)) == 0) {
        return -1;
    }
    int index = 0;
    for (int b = 0; b < bit; ++b) {
        index += (productMask >> b) & 1u;
    }
    return index;
}

/// Mask bit of the array at position `arrayIndex` of a data block, or -1 when the mask names none.
constexpr int MaskBitOfArray(std::uint16_t productMask, int arrayIndex) {
    int index = 0;
    for (int bit = 0; bit < 16; ++bit) {
        if ((productMask >> bit) & 1u) {
            if (index == arrayIndex) {
                return bit;
            }
            ++index;
        }
    }
    return -1;
}

/// The product named by its menu caption ("R", "Zh", "φdp" …), by the ASCII spelling of a
/// Greek caption ("Phidp", "Rhohv", any case of the first letter) or by its tag digit ("0".."7");
/// nothing for any other text. For command-line tools.
constexpr std::optional<ProductKind> ProductFromName(std::string_view name) {
    if (name == "Phidp" || name == "phidp") {
        return ProductKind::Phidp;
    }
    if (name == "Rhohv" || name == "rhohv") {
        return ProductKind::Rhohv;
    }
    for (int p = 0; p < kProductCount; ++p) {
        if (name == kProductCaptions[static_cast<std::size_t>(p)] ||
            (name.size() == 1 && name[0] == static_cast<char>('0' + p))) {
            return static_cast<ProductKind>(p);
        }
    }
    return std::nullopt;
}
