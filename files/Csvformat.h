#pragma once

#include "files/Productkind.h"

#include <cstdint>
#include <string>

// Text cells of the CSV export. Numbers always use a full stop as decimal separator, whatever
// the locale, and are formatted without the iostream locale machinery.

/// Appends "Az[%.2f],El[%.2f]," for a ray.
void AppendCsvRayPrefix(std::string& line, double azimuthDeg, double elevationDeg);

/// Appends one gate's decoded physical value and a comma: "%.4f," for φdp, ρhv and W,
/// "%.2f," for the other products.
void AppendCsvValueCell(std::string& line, ProductKind kind, std::uint16_t code);

/// Appends one quality word as "b0|b1|b2-lvl|b6|b7|b8|num|b13/b14/b15|,", where lvl is bits 3..5
/// and num bits 9..12.
void AppendCsvQualityCell(std::string& line, std::uint16_t word);

/// Decimal places the value cells of a product use (4 for φdp, ρhv and W, otherwise 2).
int CsvValuePrecision(ProductKind kind);

/// Appends a value in fixed notation with `precision` decimals, exactly as printf's "%.*f" in
/// the "C" locale would.
void AppendFixed(std::string& text, double value, int precision);
