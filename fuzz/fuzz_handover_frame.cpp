// Fuzz target of the hand-over channel's reader, on any bytes a process of this user may
// send: a message is read only whole and within its caps, and what was read, written
// again, reads back as itself.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "platform/HandOverFrame.h"

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> bytes(data, size);
    kyq::HandOverFrame frame;
    size_t used = 0;
    while (kyq::HandOverFrame::Read(bytes, frame, used) == kyq::HandOverFrame::State::Complete) {
        Require(used >= kyq::HandOverFrame::HeaderSize && used <= bytes.size());
        Require(frame.Text.size() <= kyq::HandOverTextCap && frame.Token.size() <= kyq::HandOverTokenCap);
        const std::string again = frame.Bytes();
        Require(again.size() == used && again.compare(0, used, reinterpret_cast<const char*>(bytes.data()), used) == 0);
        bytes = bytes.subspan(used);
    }
    return 0;
}
