// Handle.dat, the small file of the single-instance hand-over in the per-user folder: the
// running instance's main-window handle, one line ended by CR LF. (The command text a
// second start hands over travels with its message, each start's with its own.)
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Expected.h"

namespace kyq {

inline constexpr char HandleFileName[] = "Handle.dat";
// The file holds no more than a number; anything longer is not ours.
inline constexpr size_t HandOverFileCap = 64 * 1024;

// folder: the per-user folder with its trailing "/". Writers replace the file whole
// (temporary file + rename). A failure is logged as well as returned: the hand-over
// carries on without the file, and nobody else would hear of it.
Expected<void> WriteHandleFile(const std::string& folder, uint64_t handle);
// The handle in Handle.dat; 0 when the file is missing, unreadable, too long or holds
// no number.
uint64_t ReadHandleFile(const std::string& folder);
// Blanks and line breaks skipped, then the decimal number that follows; 0 when there is
// none or it does not fit in 64 bits.
uint64_t ParseHandleText(std::string_view text);
// Done when the file is gone, also when there was none; a failure is logged, as above.
Expected<void> RemoveHandleFile(const std::string& folder);

}  // namespace kyq
