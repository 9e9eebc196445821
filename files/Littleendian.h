#pragma once

#include <cstdint>

// Little-endian field access for scan-file blocks, independent of the host byte order.

inline std::uint16_t LoadU16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline std::int16_t LoadI16(const std::uint8_t* bytes) {
    return static_cast<std::int16_t>(LoadU16(bytes));
}

inline std::int32_t LoadI32(const std::uint8_t* bytes) {
    const std::uint32_t value =
        static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
        (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
    return static_cast<std::int32_t>(value);
}

inline void StoreU16(std::uint8_t* bytes, std::uint16_t value) {
    bytes[0] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void StoreI32(std::uint8_t* bytes, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    StoreU16(bytes, static_cast<std::uint16_t>(bits & 0xFFFF));
    StoreU16(bytes + 2, static_cast<std::uint16_t>(bits >> 16));
}
