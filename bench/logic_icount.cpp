// The logic_bench workloads as a plain program for instruction counts, which stay
// meaningful on a busy machine where times do not:
//   valgrind --tool=callgrind --toggle-collect='Body*' bench/logic_icount MODE FILE.kyq N
// MODE: write | probe_read | probe_read_reorder | open_given (FILE as it is, reordered).
// The large document stays in memory throughout, as in logic_bench. Divide the count by N.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/LargeDocument.h"
#include "core/document/AnyFormat.h"
#include "core/document/DocumentFormat.h"

namespace {

const kyq::ExpiryContext NoReminder{0, 0, 0, 0};

// Named Body* for --toggle-collect; not inlined so each call is one counted unit.
[[gnu::noinline]] void BodyWrite(const kyq::PasswordDocument& doc, const std::string& path)
{
    if (!kyq::WriteDocument(doc, path))
        std::fprintf(stderr, "write failed\n");
}

[[gnu::noinline]] void BodyOpen(const std::string& path, bool reorder)
{
    kyq::PasswordDocument doc;
    doc.Path = path;
    if (!kyq::ProbeHeader(doc, path))
        std::fprintf(stderr, "probe failed\n");
    if (!kyq::OpenProbedDocument(doc, kyq::bench::LargeDocumentPassword, NoReminder))
        std::fprintf(stderr, "read failed\n");
    if (reorder)
        doc.ReorderEntries(false);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s write|probe_read|probe_read_reorder|open_given FILE.kyq N\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    const std::string path = argv[2];
    const int runs = std::atoi(argv[3]);
    static const kyq::PasswordDocument large = kyq::bench::MakeLargeDocument();
    if (mode != "open_given" && !kyq::WriteDocument(large, path)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    // One uncounted open first: what a process pays once (the collator) is not per open.
    {
        kyq::PasswordDocument warm;
        warm.Path = path;
        if (!kyq::ProbeHeader(warm, path) ||
            !kyq::OpenProbedDocument(warm, kyq::bench::LargeDocumentPassword, NoReminder)) {
            std::fprintf(stderr, "cannot open %s\n", path.c_str());
            return 1;
        }
        warm.ReorderEntries(false);
    }
    for (int i = 0; i < runs; ++i) {
        if (mode == "write")
            BodyWrite(large, path + ".w");
        else
            BodyOpen(path, mode != "probe_read");
    }
    std::remove((path + ".w").c_str());
    return 0;
}
