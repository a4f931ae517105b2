// libFuzzer target for the registry hive reader: any bytes in a hive file. Beyond "no
// crash", whatever reads (all of a good file, what can be read of a damaged one) must write
// back as text that reads again, undamaged, to the same hive.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/RegistryText.h"

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// Every value the reader hands out is one the writer may write.
void RequireFits(const kyq::RegistryKey& key, size_t depth)
{
    Require(depth <= kyq::MaxKeyDepth);
    for (size_t i = 0; i < key.ValueCount(); ++i) {
        Require(kyq::IsValidValueName(key.ValueName(i)));
        Require(kyq::FitsInHive(key.Value(i)));
    }
    for (size_t i = 0; i < key.ChildCount(); ++i) {
        Require(kyq::IsValidKeyName(key.Child(i).Name()));
        RequireFits(key.Child(i), depth + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (std::string_view root : {"HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT"}) {
        // A damaged text still gives what it could read, and that must be whole.
        const kyq::HiveTextResult first = kyq::ParseRegistryText(bytes, root);
        Require((first.error == kyq::HiveTextError::None) == (first.line == 0));
        RequireFits(first.hive.Root(), 0);
        // One rewrite may normalise (a text that is not UTF-8 going through hex form, a
        // UTF-16 export becoming UTF-8); from then on the text is a fixed point.
        const std::string written = kyq::FormatRegistryText(first.hive, root);
        if (written.size() > kyq::MaxHiveBytes)
            continue;
        const kyq::HiveTextResult second = kyq::ParseRegistryText(written, root);
        Require(second.error == kyq::HiveTextError::None);
        Require(kyq::FormatRegistryText(second.hive, root) == written);
    }
    return 0;
}
