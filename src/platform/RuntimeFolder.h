// The per-user folder of the single-instance files: $XDG_RUNTIME_DIR/Tarnwick-KYQ/, else
// ~/.cache/Tarnwick-KYQ/ (or $XDG_CACHE_HOME); and inside it one folder per desktop session
// holding that session's lock, Handle.dat and hand-over socket.
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

// The name of the session's folder: the login session and the display, so that two
// sessions of one user (two seats, a remote desktop, a nested compositor, which shares the
// login session of its host) each run their own instance. A missing part reads "none";
// characters that do not belong in a file name become "_".
// x11Display: DISPLAY, whose screen number (":0.1") names no other session.
std::string SessionFolderName(const char* sessionId, const char* waylandDisplay,
                              const char* x11Display);
// The same from XDG_SESSION_ID, WAYLAND_DISPLAY and DISPLAY.
std::string CurrentSessionFolderName();

// PerUserRuntimeFolder() + the current session's folder (made private as above), with its
// trailing "/".
Expected<std::string> SessionRuntimeFolder();

}  // namespace kyq
