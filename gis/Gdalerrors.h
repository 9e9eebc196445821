#pragma once

#include <string>

// GDAL reports failures through its error handler, which prints them on stderr by default. While
// a TGdalErrors lives, this thread's errors are kept instead, so that a writer can return the
// first one as its failure text.
class TGdalErrors {
public:
    /// Registers GDAL's drivers (once per process) and starts keeping this thread's errors.
    TGdalErrors();
    ~TGdalErrors();
    TGdalErrors(const TGdalErrors&) = delete;
    TGdalErrors& operator=(const TGdalErrors&) = delete;

    /// The first error GDAL reported since construction, or `fallback` when it reported none.
    std::string FirstOr(const std::string& fallback) const;
    bool Failed() const { return !first_.empty(); }

private:
    std::string first_;
};
