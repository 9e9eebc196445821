#pragma once

#include "files/formats/Sweepimport.h"

#include <string>

// The HDF5 library can crash on malformed files (fuzzing the readers found such files, where the
// crash lies inside the library's own object-header code). So the viewer reads open-format files in
// a child process: a crash there costs the file, not the viewer, and whatever the library leaks
// goes with the child.

/// How a child reads one file: the path and the sweep wanted.
using VolumeReadFunction = VolumeRead (*)(const std::string& path, int wanted);

/// Runs `read`(path, wanted) in a child process and hands back its result. The child is forked
/// once and then serves one file after another (forking a large process for every file would
/// cost more than reading it); one that dies gives code 8 with a line saying so, and the next
/// read starts a new one. Without a child (fork fails) `read` runs here.
VolumeRead ReadIsolated(const std::string& path, int wanted, VolumeReadFunction read);

/// The result as bytes and back, as the child sends it; false for bytes that are not a whole
/// result.
std::string EncodeVolumeRead(const VolumeRead& read);
bool DecodeVolumeRead(const std::string& bytes, VolumeRead& read);
