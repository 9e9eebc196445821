// nimbrook-synth OUTDIR: writes the demo data set into OUTDIR.
#include "tools/synth/Demoset.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: nimbrook-synth OUTDIR\n"
                             "Writes the demo scan files (PPI and RHI sequences, a small-device file, gzip\n"
                             "copies) and a README.txt listing them into OUTDIR.\n");
        return 2;
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
