// nimbrook-synth OUTDIR: writes the demo data set into OUTDIR.
#include "base/Commandlinehelp.h"
#include "tools/synth/Demoset.h"

#include <cstdio>
#include <exception>
#include <string_view>

namespace {

constexpr std::string_view kUsage =
    "usage: nimbrook-synth OUTDIR\n"
    "Writes the demo scan files (PPI and RHI sequences, a small-device file, gzip\n"
    "copies) and a README.txt listing them into OUTDIR.\n";

} // namespace

int main(int argc, char** argv) {
    if (const auto answered = AnswerHelpOrVersion(argc, argv, "nimbrook-synth", kUsage)) {
        return *answered;
    }
    if (argc != 2 || argv[1][0] == '-') {
        return UsageError(kUsage);
    }
    try {
        const auto files = synth::WriteDemoSet(argv[1]);
        for (const auto& file : files) {
            std::printf("%s\n", file.relativePath.c_str());
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "nimbrook-synth: %s\n", error.what());
        return 1;
    }
    return 0;
}
