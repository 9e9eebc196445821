#include "files/formats/Sweepfactory.h"

#include "base/Ownfolder.h"
#include "files/Gzipopen.h"
#include "files/Regularfile.h"
#include "files/formats/Formatsignatures.h"
#include "files/formats/Isolatedread.h"

#include <array>
#include <cstdlib>
#include <sys/stat.h>
#include <zlib.h>

namespace {

constexpr std::size_t kSniffBytes = 8;
constexpr const char* kReaderProgramName = "nimbrook-sweepread";

} // namespace

bool HasOpenFormatName(const std::string& path) {
    const std::string name = HasGzipName(path) ? path.substr(0, path.size() - 3) : path;
    for (const std::string_view extension : {".h5", ".hdf", ".hdf5", ".nc"}) {
        if (name.ends_with(extension)) {
            return true;
        }
    }
    return false;
}

bool IsOpenFormatFile(const std::string& path) {
    std::string head;
    if (HasGzipName(path)) {
        // Only the first bytes are inflated: a scan file's copy is made by its own reader.
        gzFile file = OpenRegularGzip(path);
        if (file != nullptr) {
            std::array<char, kSniffBytes> buffer{};
            const int got = gzread(file, buffer.data(), static_cast<unsigned>(buffer.size()));
            gzclose(file);
            head.assign(buffer.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
        }
    } else {
        head = ReadRegularFile(path, kSniffBytes).value_or("");
    }
    return IsHdf5Image(head) || IsNetcdfClassicImage(head) || HasOpenFormatName(path);
}

std::string SweepReaderProgram() {
    if (const char* chosen = std::getenv("NIMBROOK_SWEEPREAD"); chosen != nullptr && chosen[0] != '\0') {
        return chosen;
    }
    return ProgramBesideThis(kReaderProgramName);
}

VolumeRead ReadOpenFormatFile(const std::string& path, int wanted) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        VolumeRead read;
        FailRead(read, 1, "no file at " + path);
        return read;
    }
    return ReadIsolated(path, wanted, {SweepReaderProgram()});
}
