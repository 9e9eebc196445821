#include "tools/sweepread/Sweepreadtool.h"

#include "files/formats/Isolatedread.h"
#include "files/formats/Openformatread.h"
#include "nimbrook/Version.h"

#include <sys/socket.h>
#include <sys/stat.h>

namespace {

constexpr const char* kUsage =
    "usage: nimbrook-sweepread\n"
    "Reads ODIM_H5 and CfRadial files for nimbrook and its tools, which start it themselves and\n"
    "send it their requests on descriptors 3 and 4; it is not run by hand.\n"
    "  --help       show this text\n"
    "  --version    show the version\n";

bool IsSocket(int fd) {
    struct stat status {};
    return ::fstat(fd, &status) == 0 && S_ISSOCK(status.st_mode);
}

} // namespace

int RunSweepRead(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() == 1 && args[0] == "--help") {
        out << kUsage;
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        out << "nimbrook-sweepread " << kNimbrookVersion << "\n";
        return 0;
    }
    if (!args.empty() || !IsSocket(kReaderRequestFd) || !IsSocket(kReaderReplyFd)) {
        err << "nimbrook-sweepread: started by nimbrook and its tools only (see nimbrook-sweepread --help)\n";
        return 2;
    }
    return ServeVolumeReads(kReaderRequestFd, kReaderReplyFd, ReadOpenFormatFileHere);
}
