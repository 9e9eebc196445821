#include "tools/sweepread/Sweepreadtool.h"

#include <iostream>

int main(int argc, char** argv) {
    return RunSweepRead(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
