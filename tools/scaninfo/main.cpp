#include "tools/scaninfo/Scaninfotool.h"

#include <iostream>

int main(int argc, char** argv) {
    return RunScanInfo(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
