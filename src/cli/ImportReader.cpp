#include "cli/ImportReader.h"

#include <unistd.h>

#include <memory>

#include "cli/CsvImport.h"
#include "cli/JsonImport.h"
#include "cli/TextSource.h"

namespace kyq::cli {

namespace {

Expected<ImportTable> Parse(TextSource& source)
{
    source.SkipBlanks();
    if (source.AtEnd() && !source.Failed())
        return Error{"输入文件是空的 (the input file is empty)", {}, 0};
    const char first = source.Peek();
    Expected<ImportTable> parsed = first == '{' || first == '[' ? ParseJsonImport(source) : ParseCsvImport(source);
    if (parsed)
        parsed->Encoding = source.EncodingName();
    return parsed;
}

// Reads the text as it came, and once more as GBK when it turned out to be no UTF-8.
template <class Source>
Expected<ImportTable> ReadEither(const Source& makeSource, bool canReadAgain)
{
    Expected<ImportTable> parsed = Error{};
    bool notUtf8 = false;
    {
        auto source = makeSource(TextEncoding::Detected);
        parsed = Parse(*source);
        notUtf8 = !parsed && source->FailedAsUtf8();
    }
    if (!notUtf8 || !canReadAgain)
        return parsed;
    auto gbk = makeSource(TextEncoding::Gbk);
    Expected<ImportTable> again = Parse(*gbk);
    // Neither: what UTF-8 found is the clearer finding.
    if (!again && gbk->Failed())
        return Error{parsed.error().Message + "；也不是GBK文本，请另存为UTF-8 (nor GBK: save it as UTF-8)", {}, 0};
    return again;
}

}  // namespace

Expected<ImportTable> ReadImportFile(int fd)
{
    const off_t start = ::lseek(fd, 0, SEEK_CUR);
    bool first = true;
    auto make = [&](TextEncoding encoding) {
        if (!first)
            (void)::lseek(fd, start, SEEK_SET);
        first = false;
        return std::make_unique<TextSource>(fd, encoding);
    };
    return ReadEither(make, start >= 0);
}

}  // namespace kyq::cli
