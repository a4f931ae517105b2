// libFuzzer target for the registry hive reader: any bytes in a hive file. Beyond "no
// crash", whatever reads must write back as text that reads again to the same hive.
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
        const kyq::HiveTextResult first = kyq::ParseRegistryText(bytes, root);
        if (first.error != kyq::HiveTextError::None) {
            Require(first.hive.Root().ChildCount() == 0 && first.hive.Root().ValueCount() == 0);
            continue;
        }
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
