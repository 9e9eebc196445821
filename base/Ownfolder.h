#pragma once

#include <string>
#include <string_view>

/// The path of the program `name` in the folder of the running executable (/proc/self/exe), where
/// the programs installed together find each other; empty when that folder cannot be read.
std::string ProgramBesideThis(std::string_view name);
