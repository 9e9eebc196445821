#include "files/Csvformat.h"

#include "files/Gatecodec.h"

#include <charconv>

void AppendFixed(std::string& text, double value, int precision) {
    // Enough for the widest value a 16-bit code or angle word decodes to, with 4 decimals.
    char digits[64];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, precision);
    text.append(digits, result.ptr);
}

int CsvValuePrecision(ProductKind kind) {
    switch (kind) {
    case ProductKind::Phidp:
    case ProductKind::Rhohv:
    case ProductKind::W:
        return 4;
    default:
        return 2;
    }
}

void AppendCsvRayPrefix(std::string& line, double azimuthDeg, double elevationDeg) {
    line += "Az[";
    AppendFixed(line, azimuthDeg, 2);
    line += "],El[";
    AppendFixed(line, elevationDeg, 2);
    line += "],";
}

void AppendCsvValueCell(std::string& line, ProductKind kind, std::uint16_t code) {
    AppendFixed(line, DecodeGateValue(kind, code), CsvValuePrecision(kind));
    line += ',';
}

void AppendCsvQualityCell(std::string& line, std::uint16_t word) {
    const auto field = [word](int shift, unsigned mask) {
        return static_cast<char>('0' + ((word >> shift) & mask));
    };
    const unsigned number = (word >> 9) & 0xFu;
    char cell[24];
    char* p = cell;
    *p++ = field(0, 1);
    *p++ = '|';
    *p++ = field(1, 1);
    *p++ = '|';
    *p++ = field(2, 1);
    *p++ = '-';
    *p++ = field(3, 7);
    *p++ = '|';
    *p++ = field(6, 1);
    *p++ = '|';
    *p++ = field(7, 1);
    *p++ = '|';
    *p++ = field(8, 1);
    *p++ = '|';
    if (number >= 10) {
        *p++ = '1';
    }
    *p++ = static_cast<char>('0' + number % 10);
    *p++ = '|';
    *p++ = field(13, 1);
    *p++ = '/';
    *p++ = field(14, 1);
    *p++ = '/';
    *p++ = field(15, 1);
    *p++ = '|';
    *p++ = ',';
    line.append(cell, p);
}
