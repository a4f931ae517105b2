// The record stream of a format-200 file, read or written in place in the file's blocks:
// the grille's read order says which cell holds each stream position, so no block is
// copied, turned or gathered into a separate stream.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "core/document/GrilleTransposition.h"

namespace kyq {

inline constexpr size_t StreamBlockValues = 16;
inline constexpr size_t StreamBlockBytes = 2 * StreamBlockValues;

// Reads the stream of `blockCount` whole blocks starting at `blocks`; the caller has made
// sure that many blocks are there. A damaged grille makes a block hold 4 * holes values.
class BlockStreamReader {
public:
    BlockStreamReader(const uint8_t* blocks, size_t blockCount, const GrilleOrder& order)
        : block_(blocks), perBlock_(order.Size), remaining_(blockCount * order.Size)
    {
        for (size_t k = 0; k < order.Size; ++k)
            offsets_[k] = static_cast<uint8_t>(2 * order.Cells[k]);
    }

    size_t Remaining() const { return remaining_; }

    // Hands the next `count` values (count <= Remaining()) to sink(i, value), i from 0.
    // The values are taken a block's run at a time with the position in locals, so the
    // inner loop is a load through the order and the sink.
    template <typename Sink>
    void Take(size_t count, Sink&& sink)
    {
        const uint8_t* block = block_;
        size_t inBlock = inBlock_;
        const size_t perBlock = perBlock_;
        size_t i = 0;
        while (i < count) {
            if (inBlock == perBlock) {
                block += StreamBlockBytes;
                inBlock = 0;
            }
            const size_t run = std::min(count - i, perBlock - inBlock);
            const uint8_t* offsets = offsets_.data() + inBlock;
            for (size_t j = 0; j < run; ++j) {
                const uint8_t* value = block + offsets[j];
                sink(i + j, static_cast<uint16_t>(value[0] | (value[1] << 8)));
            }
            i += run;
            inBlock += run;
        }
        block_ = block;
        inBlock_ = inBlock;
        remaining_ -= count;
    }

    // Passes over the next `count` values (count <= Remaining()).
    void Skip(size_t count)
    {
        if (count == 0)
            return;
        // The position stays "at the end of a block" rather than at the start of the next
        // one, as Next() leaves it, so that the last block is never stepped past.
        const size_t position = inBlock_ + count;
        const size_t whole = (position - 1) / perBlock_;
        block_ += whole * StreamBlockBytes;
        inBlock_ = position - whole * perBlock_;
        remaining_ -= count;
    }

    // The next value; only while Remaining() > 0.
    int16_t Next()
    {
        if (inBlock_ == perBlock_) {
            block_ += StreamBlockBytes;
            inBlock_ = 0;
        }
        const uint8_t* value = block_ + offsets_[inBlock_++];
        --remaining_;
        return static_cast<int16_t>(static_cast<uint16_t>(value[0] | (value[1] << 8)));
    }

private:
    const uint8_t* block_;
    size_t perBlock_;
    size_t inBlock_ = 0;
    size_t remaining_;
    std::array<uint8_t, 64> offsets_{};
};

// Writes the stream into consecutive blocks starting at `blocks` through a valid grille's
// order (16 cells, each once), exactly as ScatterBlock places a block's values. The
// caller provides room for every block it fills.
class BlockStreamWriter {
public:
    BlockStreamWriter(uint8_t* blocks, const GrilleOrder& order) : block_(blocks)
    {
        for (size_t k = 0; k < StreamBlockValues; ++k)
            offsets_[k] = static_cast<uint8_t>(2 * order.Cells[k]);
    }

    void Put(int16_t value)
    {
        if (inBlock_ == StreamBlockValues) {
            block_ += StreamBlockBytes;
            inBlock_ = 0;
        }
        uint8_t* cell = block_ + offsets_[inBlock_++];
        const auto raw = static_cast<uint16_t>(value);
        cell[0] = static_cast<uint8_t>(raw & 0xFF);
        cell[1] = static_cast<uint8_t>(raw >> 8);
    }

private:
    uint8_t* block_;
    size_t inBlock_ = 0;
    std::array<uint8_t, StreamBlockValues> offsets_{};
};

}  // namespace kyq
