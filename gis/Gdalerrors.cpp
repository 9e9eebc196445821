#include "gis/Gdalerrors.h"

#include <cpl_error.h>
#include <gdal.h>
#include <mutex>

namespace {

void KeepError(CPLErr level, CPLErrorNum /*number*/, const char* message) {
    if (level < CE_Failure) {
        return; // warnings and debug notes are not failures
    }
    auto* first = static_cast<std::string*>(CPLGetErrorHandlerUserData());
    if (first != nullptr && first->empty()) {
        *first = message != nullptr && *message != '\0' ? message : "GDAL failed";
    }
}

} // namespace

TGdalErrors::TGdalErrors() {
    static std::once_flag registered;
    std::call_once(registered, [] { GDALAllRegister(); });
    CPLPushErrorHandlerEx(KeepError, &first_);
}

TGdalErrors::~TGdalErrors() {
    CPLPopErrorHandler();
}

std::string TGdalErrors::FirstOr(const std::string& fallback) const {
    return first_.empty() ? fallback : first_;
}
