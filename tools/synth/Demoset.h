#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The demo data set: a storm passing the demo radar, recorded as a PPI time sequence, an RHI
// sequence, a file of the small device and gzip copies. Each part is written by its own function
// so that more parts can be added to the set.

namespace synth {

/// One file of the demo set, with its path relative to the set's folder.
struct DemoFile {
    std::string relativePath;
    std::string description;
};

/// Writes the twelve 5-minute PPI sweeps (360 rays x 1000 gates of 100 m) into ppi/.
std::vector<DemoFile> WritePpiSequence(const std::filesystem::path& outDir);
/// Writes four RHI sweeps through the storm core, 0 to 180 degrees elevation, into rhi/.
std::vector<DemoFile> WriteRhiSequence(const std::filesystem::path& outDir);
/// Writes a version 2 sweep in the small device's 54-byte layout into small/ (open it with the
/// small device type).
std::vector<DemoFile> WriteSmallDeviceSweep(const std::filesystem::path& outDir);
/// Writes gzip copies of some PPI and RHI sweeps into gz/ (needs their sources written first).
std::vector<DemoFile> WriteGzipCopies(const std::filesystem::path& outDir);

/// Writes the whole set and a README.txt that lists it; returns the files in the order written.
std::vector<DemoFile> WriteDemoSet(const std::filesystem::path& outDir);

} // namespace synth
