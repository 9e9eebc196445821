#pragma once

#include <span>
#include <string>
#include <string_view>

// The texts the viewer shows in its input boxes and error boxes, with their string-table ids.
// Names in the table keep their resource identifiers ("_ScnDataNumError"); the C++ constants
// drop the leading underscore, which C++ reserves.

namespace mainstring {

inline constexpr std::string_view InputBoxScaleCaption = "スケール";
inline constexpr std::string_view InputBoxScaleText = "表示半径[km]";
inline constexpr std::string_view InputBoxAngleOffsetCaption = "方位オフセット";
inline constexpr std::string_view InputBoxAngleOffsetText = "オフセット量[deg]";
inline constexpr std::string_view InputBoxDispTimeCaption = "表示時間";
inline constexpr std::string_view InputBoxDispTimeText = "表示時間[ms]\r\n(1000～10000)";
inline constexpr std::string_view MapFileNameErrorMessage1 = "地図ファイル名が不正です。";
inline constexpr std::string_view MapFileNameErrorMessage2 =
    "地図ファイル名が命名規則に沿った名前になっていないため、Nimbrookで地図を表示できないか、正しく表示できな"
    "い可能性があります。";
inline constexpr std::string_view ScnFileSelectionError = "FILE SELECTION ERROR";
inline constexpr std::string_view ScnFileHandleError = "FILE HANDLE ERROR";
inline constexpr std::string_view ScnHeaderReadError = "HEADER READ ERROR";
inline constexpr std::string_view ScnSweepNumError = "SWEEP NUM ERROR";
inline constexpr std::string_view ScnDataNumError = "DATA NUM ERROR";
inline constexpr std::string_view ScnDateTimeError = "DATETIME ERROR";
inline constexpr std::string_view ScnDataReadError = "DATA READ ERROR";
inline constexpr std::string_view ScnFileExceptionError = "FILE EXCEPTION ERROR";
inline constexpr std::string_view ScnExceptionError = "EXCEPTION ERROR";

struct ResourceString {
    std::string_view name; // resource identifier, e.g. "_ScnSweepNumError"
    int id;                // string-table number
    std::string_view text;
};

/// The whole table in declaration order.
std::span<const ResourceString> ResourceStrings();

/// Text of a string-table id; empty when the id is unknown.
std::string_view ResourceText(int id);

/// Message of an error code 1..9; empty for any other code.
std::string_view ErrorMessage(int code);

} // namespace mainstring

/// "(%d) " with the code, followed by the code's message for codes 1..9; "(%d) " alone otherwise.
std::string ErrorText(int code);

/// Text of the map-name error box: the name (without folder and extension), a blank line,
/// then the two lines of the map-name message.
std::string MapFileNameErrorText(std::string_view mapName);
