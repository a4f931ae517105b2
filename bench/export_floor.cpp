// The floor for `kyq-cli export` of a format-200 document: what any reader of the file has
// to do at least, with nothing of this program in it. It reads the file into memory, takes
// every value of the record stream once in stream order (through the grille's order of the
// cells) and walks the records by their lengths, then prints the record count and a sum of
// the values so that no step can be left out. No text is decoded and nothing is written
// but one line; bench/cli_export.sh runs it side by side with the export.
//   export_floor FILE.kyq
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

int Value16(const uint8_t* at)
{
    return static_cast<int16_t>(static_cast<uint16_t>(at[0] | at[1] << 8));
}

int32_t Value32(const uint8_t* at)
{
    return static_cast<int32_t>(static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
                                static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.kyq\n", argv[0]);
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    const auto size = static_cast<size_t>(info.st_size);
    auto* bytes = static_cast<uint8_t*>(std::malloc(size + 1));
    size_t used = 0;
    while (used < size) {
        const ssize_t n = ::read(fd, bytes + used, size - used);
        if (n <= 0)
            break;
        used += static_cast<size_t>(n);
    }
    ::close(fd);
    if (used < 40 || Value32(bytes) != 200) {
        std::fprintf(stderr, "%s: not a format-200 document\n", argv[1]);
        return 1;
    }

    // The grille's holes, and the cells of a block in stream order: four passes over the
    // holes, the grille turned a quarter (cell (r, c) to (c, 3 - r)) after each.
    bool hole[16];
    for (int cell = 0; cell < 16; ++cell)
        hole[cell] = Value16(bytes + 4 + 2 * cell) + 14 < 26;
    int order[16];
    int taken = 0;
    for (int turn = 0; turn < 4; ++turn) {
        for (int cell = 0; cell < 16 && taken < 16; ++cell)
            if (hole[cell])
                order[taken++] = cell;
        bool turned[16];
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                turned[c * 4 + (3 - r)] = hole[r * 4 + c];
        for (int cell = 0; cell < 16; ++cell)
            hole[cell] = turned[cell];
    }
    if (taken != 16) {
        std::fprintf(stderr, "%s: damaged grille\n", argv[1]);
        return 1;
    }

    size_t at = 36;  // past the format number and the grille: the owner name up to its 0
    while (at + 2 <= used && Value16(bytes + at) != 0)
        at += 2;
    at += 2;
    const int32_t blocks = at + 4 <= used ? Value32(bytes + at) : 0;
    at += 4;
    if (blocks < 1 || static_cast<size_t>(blocks) * 32 > used - at) {
        std::fprintf(stderr, "%s: damaged block count\n", argv[1]);
        return 1;
    }
    const uint8_t* stream = bytes + at;
    const size_t values = static_cast<size_t>(blocks) * 16;
    auto valueAt = [&](size_t k) { return Value16(stream + 32 * (k / 16) + 2 * order[k % 16]); };

    int64_t sum = 0;
    for (size_t k = 0; k < values; ++k)
        sum += valueAt(k);
    size_t records = 0;
    size_t k = 0;
    while (k < values && valueAt(k) > 0) {
        for (int text = 0; text < 3 && k < values; ++text)
            k += 1 + static_cast<size_t>(valueAt(k) < 0 ? 0 : valueAt(k));
        k += 3;  // the date
        ++records;
    }
    std::printf("%zu records, sum %lld\n", records, static_cast<long long>(sum));
    std::free(bytes);
    return 0;
}
