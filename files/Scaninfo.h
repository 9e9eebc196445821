#pragma once

#include "base/Datetime.h"

#include <cstdint>
#include <string>

/// The codes of ScanInfo::errorCode: 0, or what failed (the message texts are ErrorText's).
enum ScanErrorCode : std::int32_t {
    kScanNoError = 0,
    kScanFileSelectionError = 1, // no (regular) file at the path
    kScanFileHandleError = 2,    // the file, or its decompressed copy, cannot be opened
    kScanHeaderReadError = 3,    // the header cannot be read whole
    kScanSweepNumError = 4,      // the body is no whole number of rays
    kScanDataNumError = 5,       // the first data block is no whole number of arrays
    kScanDateTimeError = 6,      // the scan time is out of range
    kScanDataReadError = 7,      // a ray could not be read while drawing a frame
    kScanFileExceptionError = 8, // an exception while parsing or naming (also a count of 0)
    kScanExceptionError = 9,     // an exception outside the open (batch runs and the converter)
};

/// Description of the open scan file, filled by TSCNFileModule::OpenScanFile. Fields in record order.
struct ScanInfo {
    std::uint8_t valid = 0;     // 1 once a file has passed every check; the reader never clears it
    std::int32_t errorCode = 0; // 0, or the code of the last failure (1..9)
    std::string name;           // file name without folder and extension ("x" for x.scn.gz)
    ScanDateTime scanTime;      // tested by the open, shown in the status bar
    ScanDateTime headerTime;    // date-time A of the header, shown on the picture's date label
    double latitude = 0.0;      // degrees, north positive
    double longitude = 0.0;     // degrees, east positive
    double combinedValue = 0.0;
    double tenthValues[3] = {0.0, 0.0, 0.0};
    double hundredthValue1 = 0.0;
    double hundredthValue2 = 0.0;
    std::int32_t rayCount = 0;
    std::int32_t gateCount = 0;
    double gateSpacingM = 0.0;
    double powerValue1 = 0.0;
    double powerValue2 = 0.0;
    double azimuthDeg = 0.0;       // first ray's azimuth plus offset in [0, 360); set by the frame pipeline
    double elevationDeg = 0.0;     // first ray's elevation; set by the frame pipeline
    double azimuthOffsetDeg = 0.0; // -1.0 when the file gives none
    std::uint16_t productMask = 0;
    std::int16_t extraWord1 = 0;
    std::int16_t extraWord2 = 0;
    std::uint16_t formatType = 0; // format version, +100 for the 54-byte header layout
};
