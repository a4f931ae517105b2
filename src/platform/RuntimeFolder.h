// The per-user folder of the single-instance files (lock, Handle.dat, Command.dat):
// $XDG_RUNTIME_DIR/Tarnwick-KYQ/, else ~/.cache/Tarnwick-KYQ/ (or $XDG_CACHE_HOME).
#pragma once

#include <string>

#include "platform/Expected.h"

namespace kyq {

// The folder with a trailing "/", or why no usable folder was found (the Detail names
// every candidate that was refused).
// Creates the folder (mode 0700) when missing. A folder that is not a real directory
// owned by this user, or that the group or others can reach, is refused, since the files
// in it steer what the running instance opens; the next candidate is tried instead.
Expected<std::string> PerUserRuntimeFolder();

// One candidate: `folder` (no trailing "/") made or checked as above.
Expected<std::string> PrepareRuntimeFolder(const std::string& folder);

}  // namespace kyq
