// Writes the benchmark document (32,767 records, see LargeDocument.h) to a file, for timing
// whole programs on it (bench/cli_export.sh).
//   make_large_document OUT.kyq   -- prints the document password on standard output
#include <cstdio>
#include <string>

#include "bench/LargeDocument.h"
#include "core/document/DocumentFormat.h"
#include "platform/Utf.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.kyq\n", argv[0]);
        return 2;
    }
    const kyq::PasswordDocument doc = kyq::bench::MakeLargeDocument();
    const kyq::FormatResult r = kyq::WriteDocument(doc, argv[1]);
    if (!r) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[1], r.error().Detail.c_str());
        return 1;
    }
    std::printf("%s\n", kyq::Utf16ToUtf8(kyq::bench::LargeDocumentPassword).c_str());
    return 0;
}
