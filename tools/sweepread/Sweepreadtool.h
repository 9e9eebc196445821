#pragma once

#include <ostream>
#include <string>
#include <vector>

/// nimbrook-sweepread with its arguments: --help, --version, or (without arguments) serving the
/// reads asked for on its descriptors 3 and 4. Returns the exit status.
int RunSweepRead(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
