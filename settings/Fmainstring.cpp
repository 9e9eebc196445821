#include "settings/Fmainstring.h"

#include <array>

namespace mainstring {
namespace {

constexpr std::array<ResourceString, 17> kTable = {{
    {"_InputBoxScaleCaption", 65520, InputBoxScaleCaption},
    {"_InputBoxScaleText", 65521, InputBoxScaleText},
    {"_InputBoxAngleOffsetCaption", 65522, InputBoxAngleOffsetCaption},
    {"_InputBoxAngleOffsetText", 65523, InputBoxAngleOffsetText},
    {"_InputBoxDispTimeCaption", 65524, InputBoxDispTimeCaption},
    {"_InputBoxDispTimeText", 65525, InputBoxDispTimeText},
    {"_MapFileNameErrorMessage1", 65526, MapFileNameErrorMessage1},
    {"_MapFileNameErrorMessage2", 65527, MapFileNameErrorMessage2},
    {"_ScnFileSelectionError", 65528, ScnFileSelectionError},
    {"_ScnFileHandleError", 65529, ScnFileHandleError},
    {"_ScnHeaderReadError", 65530, ScnHeaderReadError},
    {"_ScnSweepNumError", 65531, ScnSweepNumError},
    {"_ScnDataNumError", 65532, ScnDataNumError},
    {"_ScnDateTimeError", 65533, ScnDateTimeError},
    {"_ScnDataReadError", 65534, ScnDataReadError},
    {"_ScnFileExceptionError", 65535, ScnFileExceptionError},
    {"_ScnExceptionError", 65504, ScnExceptionError},
}};

// Error codes 1..9 in order.
constexpr std::array<std::string_view, 9> kErrorMessages = {
    ScnFileSelectionError, ScnFileHandleError, ScnHeaderReadError,    ScnSweepNumError, ScnDataNumError,
    ScnDateTimeError,      ScnDataReadError,   ScnFileExceptionError, ScnExceptionError};

} // namespace

std::span<const ResourceString> ResourceStrings() {
    return kTable;
}

std::string_view ResourceText(int id) {
    for (const auto& entry : kTable) {
        if (entry.id == id) {
            return entry.text;
        }
    }
    return {};
}

std::string_view ErrorMessage(int code) {
    if (code < 1 || code > static_cast<int>(kErrorMessages.size())) {
        return {};
    }
    return kErrorMessages[static_cast<std::size_t>(code - 1)];
}

} // namespace mainstring

std::string ErrorText(int code) {
    std::string text = "(" + std::to_string(code) + ") ";
    text += mainstring::ErrorMessage(code);
    return text;
}

std::string MapFileNameErrorText(std::string_view mapName) {
    std::string text(mapName);
    text += "\r\n\r\n";
    text += mainstring::MapFileNameErrorMessage1;
    text += "\n";
    text += mainstring::MapFileNameErrorMessage2;
    return text;
}
