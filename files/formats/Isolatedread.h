#pragma once

#include "files/formats/Sweepimport.h"

#include <functional>

// The HDF5 library can crash on malformed files (fuzzing the readers found such files, where the
// crash lies inside the library's own object-header code). So the viewer reads open-format files in
// a child process: a crash there costs the file, not the viewer, and whatever the library leaks
// goes with the child.

/// Runs `read` in a forked child and hands back its result. A child that dies, or whose result
/// does not arrive whole, gives code 8 with a line saying so. Without fork (it fails) `read` runs
/// here.
VolumeRead ReadIsolated(const std::function<VolumeRead()>& read);

/// The result as bytes and back, as the child sends it; false for bytes that are not a whole
/// result.
std::string EncodeVolumeRead(const VolumeRead& read);
bool DecodeVolumeRead(const std::string& bytes, VolumeRead& read);
