#pragma once

#include "files/formats/Sweepimport.h"

#include <string>
#include <vector>

// The HDF5 library can crash on malformed files (fuzzing the readers found such files, where the
// crash lies inside the library's own object-header code). So open-format files are read in a
// child process, a small reader program: a crash there costs the file, not the viewer, whatever
// the library leaks goes with the child, and the viewer itself never loads the format libraries
// (with what they pull in, they would double its start-up time).

/// How the reader program reads one file: the path and the sweep wanted.
using VolumeReadFunction = VolumeRead (*)(const std::string& path, int wanted);

/// The descriptors on which the reader program gets its requests and sends its replies.
inline constexpr int kReaderRequestFd = 3;
inline constexpr int kReaderReplyFd = 4;

/// Has the reader program `command` (its path, then its arguments) read `path`, sweep `wanted`,
/// and hands back its result. The program is started once and then serves one file after another;
/// one that dies gives code 8 with a line saying so, and the next read starts a new one. One that
/// cannot be started gives code 8 naming the program.
VolumeRead ReadIsolated(const std::string& path, int wanted, const std::vector<std::string>& command);

/// The reader program's loop: requests from `requests`, each answered by `read` on `replies`,
/// until the requests end. Returns the program's exit status.
int ServeVolumeReads(int requests, int replies, VolumeReadFunction read);

/// The result as bytes and back, as the child sends it; false for bytes that are not a whole
/// result.
std::string EncodeVolumeRead(const VolumeRead& read);
bool DecodeVolumeRead(const std::string& bytes, VolumeRead& read);
